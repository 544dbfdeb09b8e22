// solvina: the window program.
#include "main_window.h"
#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/memory_advice.h"
#include "platform/messages.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_dialogs.h"
#include "window_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <csignal>

int main(int argc, char** argv) {
    // Past the file-size limit a write fails with its message, instead of the signal ending
    // the program without a word.
    std::signal(SIGXFSZ, SIG_IGN);
    solvina::keepLargeBlocksOutOfTheHeap();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("ソルビナ"));

    // Qt's own Japanese texts, so that standard buttons read はい, いいえ, キャンセル.
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QTranslator qtTexts;
    if (qtTexts.load(QStringLiteral("qtbase_ja"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    QApplication::setFont(solvina::interfaceFont());

    solvina::QtDialogs dialogs;
    solvina::QtBrowser browser;
    // An installed program makes its folders in the user's home on first start.
    const solvina::AppFolders& folders = solvina::appFolders();
    if (const solvina::Status made = solvina::prepareAppFolders(folders); !made)
        solvina::showFailure(dialogs, made.error());
    solvina::MainWindow window(dialogs, browser, solvina::nativeFileSystem(), folders);
    window.show();
    return app.exec();
}
