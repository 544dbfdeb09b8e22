// The Qt platform pieces: file filters, browser candidates, and a watched browser process.
#include "platform/qt/qt_browser.h"
#include "platform/qt/qt_dialogs.h"
#include "support/window_driver.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

using namespace solvina;
using namespace solvina::test_support;

class QtPlatformTest : public QObject {
    Q_OBJECT

private slots:
    void filtersBecomeQtNameFilters() {
        const std::pair<const char*, const char*> cases[] = {
            {"HTMLファイル（*.htm *.html）|*.htm;*.html",
             "HTMLファイル（*.htm *.html） (*.htm *.html)"},
            {"画像ファイル（*.gif *.jpeg *.jpg）|*.gif;*.jpeg;*.jpg",
             "画像ファイル（*.gif *.jpeg *.jpg） (*.gif *.jpeg *.jpg)"},
            {"A|*.a|B|*.b;*.c", "A (*.a);;B (*.b *.c)"}};
        for (auto [filter, expected] : cases)
            QCOMPARE(qtNameFilter(filter), QString::fromUtf8(expected));
    }

    void messageBoxShowsTheTextAndReportsTheButton_data() {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<int>("buttonCount");
        QTest::addColumn<int>("pressed"); // -1: Escape
        QTest::addColumn<int>("answer");
        const int ok = int(MessageButtons::Ok), yesNo = int(MessageButtons::YesNo),
                  yesNoCancel = int(MessageButtons::YesNoCancel);
        QTest::newRow("ok") << ok << 1 << int(QMessageBox::Ok) << int(Answer::Ok);
        QTest::newRow("yes") << yesNo << 2 << int(QMessageBox::Yes) << int(Answer::Yes);
        QTest::newRow("no") << yesNo << 2 << int(QMessageBox::No) << int(Answer::No);
        QTest::newRow("cancel") << yesNoCancel << 3 << int(QMessageBox::Cancel)
                                << int(Answer::Cancel);
        QTest::newRow("escape on yes/no is no") << yesNo << 2 << -1 << int(Answer::No);
        QTest::newRow("escape on yes/no/cancel is cancel")
            << yesNoCancel << 3 << -1 << int(Answer::Cancel);
    }
    void messageBoxShowsTheTextAndReportsTheButton() {
        QFETCH(int, buttons);
        QFETCH(int, buttonCount);
        QFETCH(int, pressed);
        QFETCH(int, answer);
        QString shown; // text, title and button count, compared once the box is closed
        whenModalOpens([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            shown = box->text() + "|" + box->windowTitle() + "|" +
                    QString::number(box->buttons().size());
            if (pressed < 0)
                QTest::keyClick(box, Qt::Key_Escape);
            else
                box->button(QMessageBox::StandardButton(pressed))->click();
        });
        QtDialogs dialogs;
        QCOMPARE(int(dialogs.messageBox("一行目\r\n二行目", "確認", MessageButtons(buttons))),
                 answer);
        QCOMPARE(shown, QStringLiteral("一行目\n二行目|確認|") + QString::number(buttonCount));
    }

    void inputBoxStartsEmptyAndCancelIsNothing() {
        QtDialogs dialogs;
        QString shown = QStringLiteral("?"); // the initial text and the title
        whenModalOpens([&](QWidget* modal) {
            auto* input = qobject_cast<QInputDialog*>(modal);
            shown = input->textValue() + "|" + input->windowTitle();
            auto* field = input->findChild<QLineEdit*>();
            field->insert(QStringLiteral("新しい"));
            QTest::keyClick(field, Qt::Key_Return); // Enter accepts the typed name
        });
        QCOMPARE(dialogs.inputBox("名前", "ソルビナ"), std::optional<std::string>("新しい"));
        QCOMPARE(shown, QStringLiteral("|ソルビナ"));
        whenModalOpens({}); // rejected
        QCOMPARE(dialogs.inputBox("名前", "ソルビナ"), std::optional<std::string>());
    }

    // The file chooser names its patterns once; the colour chooser opens on the given colour.
    void choosersShowTheFilterOnceAndStartFromTheCurrentColour() {
        QtDialogs dialogs;
        QStringList filters;
        bool detailsHidden = false;
        whenModalOpens([&](QWidget* modal) {
            auto* chooser = qobject_cast<QFileDialog*>(modal);
            filters = chooser->nameFilters();
            detailsHidden = chooser->testOption(QFileDialog::HideNameFilterDetails);
        });
        const FileChoice choice =
            dialogs.chooseFileToOpen("HTMLファイル（*.htm *.html）|*.htm;*.html");
        QCOMPARE(choice.outcome, FileChoice::Outcome::Cancelled);
        QCOMPARE(filters,
                 QStringList{QStringLiteral("HTMLファイル（*.htm *.html） (*.htm *.html)")});
        QVERIFY(detailsHidden);

        QColor start;
        whenModalOpens([&](QWidget* modal) {
            auto* chooser = qobject_cast<QColorDialog*>(modal);
            start = chooser->currentColor();
            chooser->accept();
        });
        QCOMPARE(dialogs.chooseColor(0x563412u), std::optional<std::uint32_t>(0x563412u));
        QCOMPARE(start, QColor(0x12, 0x34, 0x56));
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

    void theEndOfTheBrowserProcessIsItsQuitAndNoBrowserIsAFailure() {
        qputenv("BROWSER", "true");
        QtBrowser browser;
        bool quit = false;
        QVERIFY(browser.open("/nowhere/pre.html", [&] { quit = true; }).ok());
        QTRY_VERIFY(quit);

        qputenv("BROWSER", "");
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent-folder");
        Result<int> started = browser.open("/nowhere/pre.html", {});
        qputenv("PATH", path);
        QVERIFY(!started.ok());
        QVERIFY(!started.error().empty());
    }
};

QTEST_MAIN(QtPlatformTest)
#include "qt_platform_test.moc"
