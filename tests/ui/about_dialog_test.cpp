// The version dialog: its texts, Enter and Escape, and the home-page button.
#include "about_dialog.h"
#include "support/fake_browser.h"
#include "support/scripted_dialogs.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace solvina;
using namespace solvina::test_support;

class AboutDialogTest : public QObject {
    Q_OBJECT

private slots:
    void homePageButtonOpensTheShownAddressAndWatchesTheBrowser() {
        FakeBrowser browser;
        ScriptedDialogs dialogs;
        AboutDialog dialog(browser, dialogs);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("バージョン情報"));
        QCOMPARE(dialog.findChild<QLabel*>("lblTitle")->text(),
                 QStringLiteral("ソルビナ　Ver 1.1"));
        QCOMPARE(dialog.findChild<QLabel*>("lblDescription")->text(),
                 QStringLiteral("https://solvina.example/"));
        QTest::mouseClick(dialog.findChild<QPushButton*>("Command1"), Qt::LeftButton);
        QCOMPARE(browser.opened, std::vector<std::string>{"https://solvina.example/"});
        QCOMPARE(dialog.mIE(), std::optional<int>(1));
        browser.quit(1);
        QCOMPARE(dialog.mIE(), std::optional<int>());
    }

    void enterAndEscapeClose() {
        for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            FakeBrowser browser;
            ScriptedDialogs dialogs;
            AboutDialog dialog(browser, dialogs);
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
            // Enter closes even after the home-page button took the focus.
            dialog.findChild<QPushButton*>("Command1")->setFocus();
            QTest::keyClick(&dialog, key);
            QVERIFY2(!dialog.isVisible(), key == Qt::Key_Return ? "Enter" : "Escape");
            QVERIFY(browser.opened.empty());
        }
    }
};

QTEST_MAIN(AboutDialogTest)
#include "about_dialog_test.moc"
