// solvina: the window program.
#include "main_window.h"
#include "platform/app_paths.h"
#include "platform/file_system.h"
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_dialogs.h"
#include "window_look.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

int main(int argc, char** argv) {
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
    solvina::MainWindow window(dialogs, browser, solvina::nativeFileSystem(),
                               solvina::applicationDirectory());
    window.show();
    return app.exec();
}
