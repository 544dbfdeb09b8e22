// The Qt platform pieces: file filters, browser candidates, and a watched browser process.
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

using namespace solvina;

namespace {

// Runs act on the next modal dialog once it is up.
void onNextModal(std::function<void(QWidget*)> act) {
    QTimer::singleShot(10, [act] {
        if (QWidget* modal = QApplication::activeModalWidget())
            act(modal);
        else
            onNextModal(act);
    });
}

} // namespace

class QtPlatformTest : public QObject {
    Q_OBJECT

private slots:
    void filtersBecomeQtNameFilters_data() {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("pages") << "HTMLファイル（*.htm *.html）|*.htm;*.html"
                               << "HTMLファイル（*.htm *.html） (*.htm *.html)";
        QTest::newRow("images") << "画像ファイル（*.gif *.jpeg *.jpg）|*.gif;*.jpeg;*.jpg"
                                << "画像ファイル（*.gif *.jpeg *.jpg） (*.gif *.jpeg *.jpg)";
        QTest::newRow("two entries") << "A|*.a|B|*.b;*.c"
                                     << "A (*.a);;B (*.b *.c)";
    }
    void filtersBecomeQtNameFilters() {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        QCOMPARE(qtNameFilter(filter.toStdString()), expected);
    }

    void messageBoxShowsTheTextAndReportsTheButton_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("pressed");
        QTest::addColumn<int>("answer");
        QTest::newRow("ok") << int(MessageButtons::Ok) << int(QMessageBox::Ok) << int(Answer::Ok);
        QTest::newRow("yes") << int(MessageButtons::YesNo) << int(QMessageBox::Yes)
                             << int(Answer::Yes);
        QTest::newRow("no") << int(MessageButtons::YesNo) << int(QMessageBox::No)
                            << int(Answer::No);
        QTest::newRow("cancel") << int(MessageButtons::YesNoCancel) << int(QMessageBox::Cancel)
                                << int(Answer::Cancel);
        QTest::newRow("escape on yes/no is no")
            << int(MessageButtons::YesNo) << -1 << int(Answer::No);
        QTest::newRow("escape on yes/no/cancel is cancel")
            << int(MessageButtons::YesNoCancel) << -1 << int(Answer::Cancel);
    }
    void messageBoxShowsTheTextAndReportsTheButton() {
        QFETCH(int, buttons);
        QFETCH(int, pressed);
        QFETCH(int, answer);
        QString shownText;
        QString shownTitle;
        int buttonCount = 0;
        onNextModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            QVERIFY(box);
            shownText = box->text();
            shownTitle = box->windowTitle();
            buttonCount = int(box->buttons().size());
            if (pressed < 0)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(QMessageBox::StandardButton(pressed))->click();
        });
        QtDialogs dialogs;
        const Answer got = dialogs.messageBox("一行目\r\n二行目", "確認", MessageButtons(buttons));
        QCOMPARE(int(got), answer);
        QCOMPARE(shownText, QStringLiteral("一行目\n二行目"));
        QCOMPARE(shownTitle, QStringLiteral("確認"));
        QCOMPARE(buttonCount, buttons == int(MessageButtons::Ok)      ? 1
                              : buttons == int(MessageButtons::YesNo) ? 2
                                                                      : 3);
    }

    void inputBoxStartsEmptyAndCancelIsNothing() {
        QtDialogs dialogs;
        QString initial = QStringLiteral("?");
        onNextModal([&](QWidget* modal) {
            auto* input = qobject_cast<QInputDialog*>(modal);
            QVERIFY(input);
            initial = input->textValue();
            QCOMPARE(input->windowTitle(), QStringLiteral("ソルビナ"));
            input->setTextValue(QStringLiteral("新しい"));
            input->accept();
        });
        QCOMPARE(dialogs.inputBox("名前", "ソルビナ"), std::optional<std::string>("新しい"));
        QCOMPARE(initial, QString());
        onNextModal([](QWidget* modal) { qobject_cast<QDialog*>(modal)->reject(); });
        QCOMPARE(dialogs.inputBox("名前", "ソルビナ"), std::optional<std::string>());
    }

    void browserVariableComesFirst() {
        const auto commands =
            browserCommands(QStringLiteral("my-browser --new-window:other %s --x"), "/a/pre.html");
        QVERIFY(commands.size() >= 3);
        QCOMPARE(commands[0].program, QStringLiteral("my-browser"));
        QCOMPARE(commands[0].arguments, (QStringList{"--new-window", "/a/pre.html"}));
        QCOMPARE(commands[1].program, QStringLiteral("other"));
        QCOMPARE(commands[1].arguments, (QStringList{"/a/pre.html", "--x"}));
        QCOMPARE(commands[2].program, QStringLiteral("xdg-open"));
        QCOMPARE(browserCommands(QString(), "x").front().program, QStringLiteral("xdg-open"));
    }

    void theEndOfTheBrowserProcessIsItsQuit() {
        qputenv("BROWSER", "true");
        QtBrowser browser;
        bool quit = false;
        Result<int> started = browser.open("/nowhere/pre.html", [&] { quit = true; });
        QVERIFY(started.ok());
        QTRY_VERIFY(quit);
    }

    void noBrowserAtAllIsAFailureWithADescription() {
        qputenv("BROWSER", "");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent-folder");
        QtBrowser browser;
        Result<int> started = browser.open("/nowhere/pre.html", {});
        qputenv("PATH", path);
        QVERIFY(!started.ok());
        QVERIFY(!started.error().empty());
    }
};

QTEST_MAIN(QtPlatformTest)
#include "qt_platform_test.moc"
