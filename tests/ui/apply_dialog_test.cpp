// The apply dialog: initial states, the check boxes, the top-page choice and whole runs.
#include "apply/apply_run.h"
#include "apply_dialog.h"
#include "platform/app_paths.h"
#include "style/style_file.h"
#include "support/app_folder_fixture.h"
#include "support/scripted_dialogs.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <filesystem>
#include <functional>
#include <memory>

using namespace solvina;
using namespace solvina::testing;

namespace {

// Calls a hook with each message box before answering it as the script says.
class WatchingDialogs : public ScriptedDialogs {
public:
    std::function<void(const std::string&)> onMessage;
    Answer messageBox(const std::string& text, const std::string& title,
                      MessageButtons buttons) override {
        if (onMessage)
            onMessage(text);
        return ScriptedDialogs::messageBox(text, title, buttons);
    }
};

struct Harness {
    AppFolderFixture folder;
    WatchingDialogs dialogs;
    BreadcrumbStyle style = programStartStyle();
    std::unique_ptr<ApplyDialog> dialog;
    std::string site;

    Harness() {
        folder.addDefaultStyle("s");
        style.styleName = "s";
        (void)readStyleFile(nativeFileSystem(), styleFilePath(folder.libraryFolder(), "s"), style);
        site = folder.folder() + "site/";
        std::filesystem::create_directories(site + "sub");
        AppFolderFixture::writeFile(site + "index.html",
                                    "<HTML><HEAD><TITLE>Top</TITLE></HEAD>\r\n<BODY>\r\n"
                                    "<A HREF=\"sub/a.html\">a</A>\r\n</BODY></HTML>\r\n");
        AppFolderFixture::writeFile(site + "sub/a.html",
                                    "<HTML><HEAD><TITLE>A</TITLE></HEAD>\r\n<BODY>\r\n"
                                    "<P>a</P>\r\n</BODY></HTML>\r\n");
        dialog = std::make_unique<ApplyDialog>(style, styleFolder(folder.libraryFolder(), "s"),
                                               dialogs, nativeFileSystem());
        dialog->show();
    }
    template <typename T> T* find(const char* name) {
        T* found = dialog->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QCheckBox* check(const char* name) { return find<QCheckBox>(name); }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
    void click(const char* name) { QTest::mouseClick(find<QPushButton>(name), Qt::LeftButton); }
    std::string page(const std::string& relative) {
        return AppFolderFixture::readFile(site + relative);
    }
};

// The ASCII tail of the start marker: the same bytes whatever encoding the page uses.
constexpr const char* kStartMarker = "(https://solvina.example/)-->";

} // namespace

class ApplyDialogTest : public QObject {
    Q_OBJECT

private slots:
    void opensWithTheInitialStates() {
        Harness h;
        QCOMPARE(h.dialog->windowTitle(), QStringLiteral("ページに適応"));
        QCOMPARE(h.dialog->size(), QSize(321, 535));
        struct Expected {
            const char* name;
            bool checked;
        };
        for (Expected e : {Expected{"Check1", true},
                           {"Check2", false},
                           {"Check3", false},
                           {"Check4", true},
                           {"Check5", false},
                           {"Check6", false},
                           {"Check8", false},
                           {"Check9", false},
                           {"Check7", false}})
            QVERIFY2(h.check(e.name)->isChecked() == e.checked, e.name);
        QVERIFY(!h.check("Check7")->isVisible());
        QCOMPARE(h.edit("Text1")->text(), QString());
        QCOMPARE(h.edit("Text2")->text(), QStringLiteral("トップページ"));
        for (const char* name : {"Text2", "Text3", "Text4"})
            QVERIFY2(!h.edit(name)->isEnabled(), name);
        QCOMPARE(h.find<QLabel>("Label3")->text(), QString());
        QCOMPARE(h.find<QPushButton>("Command4")->text(), QStringLiteral("適応開始！"));
    }

    void checkBoxesEnableTheirTextBoxesAndKeepTheText_data() {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("field");
        QTest::newRow("top page title") << "Check6"
                                        << "Text2";
        QTest::newRow("header link") << "Check8"
                                     << "Text3";
        QTest::newRow("footer link") << "Check9"
                                     << "Text4";
    }
    void checkBoxesEnableTheirTextBoxesAndKeepTheText() {
        QFETCH(QString, box);
        QFETCH(QString, field);
        Harness h;
        auto* check = h.check(box.toUtf8().constData());
        auto* edit = h.edit(field.toUtf8().constData());
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(edit->isEnabled());
        edit->setText(QStringLiteral("index.html"));
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(!edit->isEnabled());
        QCOMPARE(edit->text(), QStringLiteral("index.html"));
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(edit->isEnabled());
        QCOMPARE(edit->text(), QStringLiteral("index.html"));
    }

    void optionsFollowTheControls() {
        Harness h;
        h.edit("Text1")->setText(QStringLiteral("/site/index.html"));
        QTest::mouseClick(h.check("Check2"), Qt::LeftButton);
        QTest::mouseClick(h.check("Check4"), Qt::LeftButton);
        QTest::mouseClick(h.check("Check9"), Qt::LeftButton);
        h.edit("Text4")->setText(QStringLiteral("map.html"));
        const ApplyOptions options = h.dialog->optionsFromControls();
        QCOMPARE(options.topPagePath, std::string("/site/index.html"));
        QVERIFY(options.insertAtTop && options.insertAtBottom && !options.linkTitles);
        QVERIFY(options.linkFooter && !options.linkHeader && !options.eraseAll);
        QCOMPARE(options.footerLink, std::string("map.html"));
        QCOMPARE(options.topPageTitle, std::string("トップページ"));
    }

    void browseFillsTheTopPageOrChangesNothing() {
        Harness h;
        h.dialogs.files = {FileChoice{FileChoice::Outcome::Chosen, "/site/top.htm", ""},
                           FileChoice{FileChoice::Outcome::Cancelled, "", ""},
                           FileChoice{FileChoice::Outcome::Failed, "", "読めません"}};
        h.click("Command1");
        QCOMPARE(h.edit("Text1")->text(), QStringLiteral("/site/top.htm"));
        QCOMPARE(h.dialogs.shown.back().text,
                 std::string("HTMLファイル（*.htm *.html）|*.htm;*.html"));
        h.click("Command1");
        QCOMPARE(h.edit("Text1")->text(), QStringLiteral("/site/top.htm"));
        QVERIFY(h.dialogs.messageTexts().empty());
        h.click("Command1");
        QCOMPARE(h.dialogs.messageTexts(),
                 std::vector<std::string>{"エラーが発生しました。\r\n読めません"});
    }

    void startWithoutTopPageAsksForOne() {
        Harness h;
        h.click("Command4");
        QCOMPARE(h.dialogs.messageTexts(), std::vector<std::string>{kNoTopPageMessage});
    }

    void aRunWritesEveryPageWithTheControlsLockedAndEndsIdle() {
        Harness h;
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        bool lockedAtTheEnd = false;
        bool stayedOpen = false;
        h.dialogs.onMessage = [&](const std::string& text) {
            if (text != kApplyDoneMessage)
                return;
            lockedAtTheEnd = !h.find<QPushButton>("Command4")->isEnabled() &&
                             !h.find<QPushButton>("Command2")->isEnabled() &&
                             !h.find<QPushButton>("Command5")->isEnabled() &&
                             !h.check("Check1")->isEnabled() && !h.edit("Text1")->isEnabled();
            h.dialog->reject();
            stayedOpen = h.dialog->isVisible();
        };
        h.click("Command4");

        QCOMPARE(h.dialogs.messageTexts(),
                 (std::vector<std::string>{kConfirmStartMessage, kApplyDoneMessage}));
        QVERIFY(lockedAtTheEnd);
        QVERIFY(stayedOpen);
        QVERIFY(h.page("index.html").find(kStartMarker) != std::string::npos);
        QVERIFY(h.page("sub/a.html").find(kStartMarker) != std::string::npos);
        QVERIFY(std::filesystem::is_directory(h.site + "quibrel"));
        QCOMPARE(h.find<QLabel>("Label3")->text(), QString());
        QVERIFY(h.find<QPushButton>("Command4")->isEnabled());
        QVERIFY(h.find<QPushButton>("Command5")->isEnabled());
        QVERIFY(!h.edit("Text2")->isEnabled());
    }

    void eraseAllRemovesTheBlocksAndUnchecksItsBox() {
        Harness h;
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        h.click("Command4");
        QVERIFY(h.page("sub/a.html").find(kStartMarker) != std::string::npos);

        bool checkedDuringRun = false;
        h.dialogs.onMessage = [&](const std::string& text) {
            if (text == kApplyDoneMessage)
                checkedDuringRun = h.check("Check7")->isChecked();
        };
        h.click("Command2");
        QCOMPARE(h.dialogs.messageTexts().at(2), std::string(kEraseConfirmMessage));
        QVERIFY(checkedDuringRun);
        QVERIFY(!h.check("Check7")->isChecked());
        QVERIFY(h.page("index.html").find(kStartMarker) == std::string::npos);
        QVERIFY(h.page("sub/a.html").find(kStartMarker) == std::string::npos);
    }

    void answeringNoToTheEraseWarningChangesNothing() {
        Harness h;
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        const std::string before = h.page("index.html");
        h.dialogs.answers = {Answer::No};
        h.click("Command2");
        QCOMPARE(h.dialogs.messageTexts().size(), size_t(1));
        QVERIFY(!h.check("Check7")->isChecked());
        QCOMPARE(h.page("index.html"), before);
    }

    void closeButtonClosesTheDialog() {
        Harness h;
        h.click("Command5");
        QVERIFY(!h.dialog->isVisible());
    }
};

QTEST_MAIN(ApplyDialogTest)
#include "apply_dialog_test.moc"
