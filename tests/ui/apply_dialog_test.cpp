// The apply dialog: initial states, the check boxes, the top-page choice and whole runs.
#include "apply/apply_run.h"
#include "apply/run_undo.h"
#include "apply_dialog.h"
#include "render/json_ld.h"
#include "style/style_file.h"
#include "style/style_library_paths.h"
#include "support/app_folder_fixture.h"
#include "support/scripted_dialogs.h"
#include "support/window_driver.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QThread>
#include <QTreeView>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sys/wait.h>
#include <unistd.h>

using namespace solvina;
using namespace solvina::test_support;

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
        site = folder.path() + "site/";
        folder.write("site/index.html", "<HTML><HEAD><TITLE>Top</TITLE></HEAD>\r\n<BODY>\r\n"
                                        "<A HREF=\"sub/a.html\">a</A>\r\n</BODY></HTML>\r\n");
        folder.write("site/sub/a.html", "<HTML><HEAD><TITLE>A</TITLE></HEAD>\r\n<BODY>\r\n"
                                        "<P>a</P>\r\n</BODY></HTML>\r\n");
        dialog = std::make_unique<ApplyDialog>(style, styleFolder(folder.libraryFolder(), "s"),
                                               dialogs, nativeFileSystem());
        dialog->show();
    }
    template <typename T> T* find(const char* name) { return control<T>(dialog.get(), name); }
    QCheckBox* check(const char* name) { return find<QCheckBox>(name); }
    QLineEdit* edit(const char* name) { return find<QLineEdit>(name); }
    void click(const char* name) { test_support::click(dialog.get(), name); }
    std::string page(const std::string& relative) { return folder.read("site/" + relative); }
};

// The ASCII tail of the start marker: the same bytes whatever encoding the page uses.
constexpr const char* kStartMarker = "(https://solvina.example/)-->";

} // namespace

class ApplyDialogTest : public QObject {
    Q_OBJECT

private slots:
    void controlsStartAsTheyShouldAndTheOptionsFollowThem() {
        Harness h;
        QCOMPARE(h.dialog->windowTitle(), QStringLiteral("ページに適応"));
        QCOMPARE(h.find<QPushButton>("Command4")->text(), QStringLiteral("適応開始！"));
        QString ticks;
        for (const char* name : {"Check1", "Check2", "Check3", "Check4", "Check5", "Check6",
                                 "Check8", "Check9", "Check7"})
            ticks += h.check(name)->isChecked() ? '1' : '0';
        QCOMPARE(ticks, QStringLiteral("100100000"));
        QVERIFY(!h.check("Check7")->isVisible());
        QCOMPARE(h.edit("Text1")->text(), QString());
        QCOMPARE(h.edit("Text2")->text(), QStringLiteral("トップページ"));

        // Each box enables its text and keeps the text while it is off.
        for (auto [box, field] : {std::pair{"Check6", "Text2"}, std::pair{"Check8", "Text3"},
                                  std::pair{"Check9", "Text4"}}) {
            QVERIFY2(!h.edit(field)->isEnabled(), field);
            h.click(box);
            QVERIFY2(h.edit(field)->isEnabled(), field);
            h.edit(field)->setText(QStringLiteral("index.html"));
            h.click(box);
            QVERIFY2(!h.edit(field)->isEnabled(), field);
            QCOMPARE(h.edit(field)->text(), QStringLiteral("index.html"));
        }

        h.edit("Text1")->setText(QStringLiteral("/site/index.html"));
        h.click("Check2");
        h.click("Check4");
        h.click("Check9");
        h.edit("Text4")->setText(QStringLiteral("map.html"));
        const ApplyOptions options = h.dialog->optionsFromControls();
        QCOMPARE(options.topPagePath, std::string("/site/index.html"));
        QVERIFY(options.insertAtTop && options.insertAtBottom && !options.linkTitles);
        QVERIFY(options.linkFooter && !options.linkHeader && !options.eraseAll);
        QCOMPARE(options.footerLink, std::string("map.html"));
        QVERIFY(!options.useTopPageTitle);
        QCOMPARE(options.topPageTitle, std::string("index.html")); // kept while its box is off

        // Enter in a text box neither closes the dialog nor starts a run.
        for (const char* box : {"Check6", "Check8"})
            h.click(box);
        for (QPushButton* button : h.dialog->findChildren<QPushButton*>())
            QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->text()));
        for (const char* field : {"Text1", "Text2", "Text3", "Text4"})
            QTest::keyClick(h.edit(field), Qt::Key_Return);
        QVERIFY(h.dialog->isVisible());
        QVERIFY(h.dialogs.shown.empty());
        QCOMPARE(h.edit("Text1")->text(), QStringLiteral("/site/index.html"));
        // The form of the list and the address of the structured data.
        QVERIFY(h.find<QRadioButton>("Option1")->isChecked());
        QCOMPARE(h.dialog->optionsFromControls().markup, Markup::Table);
        QVERIFY(h.dialog->optionsFromControls().jsonLdBase.empty());
        h.click("Option2");
        h.edit("Text5")->setText(QStringLiteral(" https://example.com/ "));
        QCOMPARE(h.dialog->optionsFromControls().markup, Markup::Nav);
        QCOMPARE(h.dialog->optionsFromControls().jsonLdBase, std::string("https://example.com/"));
        // An address that is none is refused before anything is asked or written.
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        h.edit("Text5")->setText(QStringLiteral("example.com"));
        const std::string before = h.page("index.html");
        h.click("Command4");
        QCOMPARE(h.dialogs.messageTexts(), std::vector<std::string>{kJsonLdBaseMessage});
        QCOMPARE(h.dialogs.shown.front().title, std::string("エラー"));
        QCOMPARE(h.page("index.html"), before);
    }

    // "サイトを確認" shows the plan for the options as set and writes nothing.
    void checkingTheSiteShowsThePlanAndWritesNothing() {
        Harness h;
        const std::string before = h.page("index.html");
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        h.click("Check10");
        QVERIFY(h.dialog->optionsFromControls().hierarchy == Hierarchy::Shortest);
        h.click("Command6");
        auto* plan = h.dialog->findChild<QDialog*>("PlanDialog");
        QVERIFY(plan != nullptr);
        auto* tree = plan->findChild<QTreeView*>("PlanTree");
        QCOMPARE(tree->model()->rowCount(), 1);
        const QModelIndex top = tree->model()->index(0, 1);
        QCOMPARE(top.data().toString(), QStringLiteral("index.html"));
        QCOMPARE(tree->model()->index(0, 1, tree->model()->index(0, 0)).data().toString(),
                 QStringLiteral("sub/a.html"));
        QVERIFY(
            plan->findChild<QLabel*>("PlanCounts")->text().startsWith(QStringLiteral("ページ 2")));
        plan->close();
        QCOMPARE(h.page("index.html"), before);
        QVERIFY(!std::filesystem::exists(h.site + "quibrel"));
        QVERIFY(h.dialogs.shown.empty());
    }

    // 詳細設定: the bounds of a run, 0 shown as 上限なし; the run and the plan use them.
    void theDetailedSettingsBoundTheRun() {
        Harness h;
        auto* pages = h.find<QSpinBox>("Spin2");
        auto* levels = h.find<QSpinBox>("Spin3");
        QCOMPARE(pages->value(), 1001);
        QCOMPARE(levels->value(), 100);
        levels->setValue(0);
        QCOMPARE(levels->findChild<QLineEdit*>()->text(), QStringLiteral("上限なし"));
        QCOMPARE(h.dialog->optionsFromControls().maxLevel, 0);

        pages->setValue(1);
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        const std::string before = h.page("sub/a.html");
        h.click("Command4");
        const std::vector<std::string> texts = h.dialogs.messageTexts();
        QCOMPARE(texts.size(), std::size_t{3});
        QVERIFY(texts[1].find("ページが多すぎます。1ページまでしか適応できません。（" + h.site +
                              "sub/a.html）") != std::string::npos);
        QCOMPARE(h.page("sub/a.html"), before);
        QVERIFY(h.page("index.html").find(kStartMarker) != std::string::npos);
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

    void aRunWritesEveryPageWithTheControlsLockedAndEndsIdle() {
        Harness h;
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        bool lockedAtTheEnd = false;
        bool stayedOpen = false;
        int progressAtTheEnd = 0;
        h.dialogs.onMessage = [&](const std::string& text) {
            if (text != kApplyDoneMessage)
                return;
            progressAtTheEnd = h.find<QProgressBar>("Progress1")->maximum() == 2
                                   ? h.find<QProgressBar>("Progress1")->value()
                                   : -1;
            lockedAtTheEnd = !h.find<QPushButton>("Command4")->isEnabled() &&
                             !h.find<QPushButton>("Command2")->isEnabled() &&
                             !h.find<QPushButton>("Command5")->isEnabled() &&
                             !h.check("Check1")->isEnabled() && !h.edit("Text1")->isEnabled();
            h.dialog->reject();
            stayedOpen = h.dialog->isVisible();
        };
        h.click("Command4");

        QCOMPARE(h.dialogs.messageTexts(),
                 (std::vector<std::string>{"適応を開始します。よろしいですか？",
                                           "適応が終了しました。"}));
        QVERIFY(lockedAtTheEnd);
        QVERIFY(stayedOpen);
        QCOMPARE(progressAtTheEnd, 2);
        QVERIFY(h.page("index.html").find(kStartMarker) != std::string::npos);
        QVERIFY(h.page("sub/a.html").find(kStartMarker) != std::string::npos);
        QVERIFY(std::filesystem::is_directory(h.site + "quibrel"));
        QCOMPARE(h.find<QLabel>("Label3")->text(), QString());
        QVERIFY(h.find<QPushButton>("Command4")->isEnabled());
        // The settings panel comes back, but a text whose box is off stays off.
        QVERIFY(!h.edit("Text2")->isEnabled());
        h.click("Command5");
        QVERIFY(!h.dialog->isVisible());
    }

    // The session ending (SIGTERM) as a run starts, in a child process: the signal is caught,
    // the run stops with the pages as they were, then the program ends as the signal would
    // have ended it.
    void aSignalDuringARunEndsTheProgramAfterTheRunStopped() {
        Harness h;
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        const std::string before = h.page("index.html");
        const std::string caught = h.folder.path() + "caught";
        h.dialogs.answers = {Answer::Yes};
        h.dialogs.onMessage = [&](const std::string& text) {
            if (text != kConfirmStartMessage)
                return;
            ::raise(SIGTERM);
            std::ofstream(caught) << "the program went on"; // not when the signal ended it
        };
        const pid_t child = ::fork();
        if (child == 0) {
            // Hidden: a forked process has none of Qt's painting threads to wait for.
            h.dialog->hide();
            h.find<QPushButton>("Command4")->click();
            std::_Exit(0);
        }
        int status = 0;
        // A child stuck on a lock some thread held at the fork fails the test, not hangs it.
        for (int waited = 0; ::waitpid(child, &status, WNOHANG) == 0; ++waited) {
            if (waited == 3000) {
                ::kill(child, SIGKILL);
                QFAIL("the child process did not end");
            }
            QThread::msleep(10);
        }
        QVERIFY(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
        QVERIFY(std::filesystem::exists(caught));
        QCOMPARE(h.page("index.html"), before);
    }

    // A run is kept; "元に戻す…" lists it and takes it back after the confirmation.
    void undoListsTheKeptRunsAndRestoresTheChosenOne() {
        Harness h;
        const std::string before = h.page("sub/a.html");
        h.click("Command7");
        QCOMPARE(h.dialogs.messageTexts(), std::vector<std::string>{kNoTopPageMessage});
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        h.dialogs.answers = {Answer::Yes};
        h.click("Command4");
        QVERIFY(h.page("sub/a.html") != before);
        h.click("Command7"); // the chooser cancelled: nothing restored
        QVERIFY(h.page("sub/a.html") != before);
        QCOMPARE(h.dialogs.itemLists.size(), std::size_t{1});
        QCOMPARE(h.dialogs.itemLists[0].size(), std::size_t{1});
        QVERIFY(h.dialogs.itemLists[0][0].ends_with("  適応  2 ページ"));
        h.dialogs.items = {0};
        h.dialogs.answers = {Answer::Yes};
        h.click("Command7");
        QCOMPARE(h.page("sub/a.html"), before);
        QVERIFY(!std::filesystem::exists(h.site + "quibrel"));
        QCOMPARE(h.dialogs.messageTexts().back(), std::string(kUndoDoneMessage));
    }

    // A top page typed relative to the current folder runs as its full path; a path too long
    // for the progress label is cut in its middle, clear of the close button, whole in the
    // tooltip.
    void aRelativeTopPageRunsAsItsFullPathAndLongPathsFitTheProgressLabel() {
        Harness h;
        const std::string deep = "deep/" + std::string(90, 'a') + "/" + std::string(90, 'b') + "/";
        const std::string sub = "sub/" + std::string(90, 'c') + ".html";
        h.folder.write(deep + "index.html",
                       "<HTML><BODY>\r\n<A HREF=\"" + sub + "\">c</A>\r\n</BODY></HTML>\r\n");
        h.folder.write(deep + sub, "<HTML><BODY>\r\n</BODY></HTML>\r\n");
        const QString before = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QString::fromStdString(h.folder.path())));
        h.edit("Text1")->setText(QString::fromStdString(deep + "index.html"));
        auto* label = h.find<QLabel>("Label3");
        QString shown;
        QString tip;
        h.dialogs.onMessage = [&](const std::string& text) {
            if (text == kApplyDoneMessage) {
                shown = label->text();
                tip = label->toolTip();
            }
        };
        h.click("Command4");
        QDir::setCurrent(before);

        // The label ends on the last page written: the top page, whose pass ends last.
        QCOMPARE(tip, QString::fromStdString(h.folder.path() + deep + "index.html"));
        const QStringList lines = shown.split(QLatin1Char('\n'));
        QVERIFY2(lines.size() <= 3, qPrintable(shown));
        QVERIFY(shown.startsWith(QStringLiteral("適応中：/")));
        QVERIFY(shown.endsWith(QStringLiteral("index.html")));
        QVERIFY(shown.contains(QChar(0x2026)));
        const int besideClose = h.find<QPushButton>("Command5")->x() - label->x();
        for (int i = 0; i < lines.size(); ++i)
            QVERIFY2(label->fontMetrics().horizontalAdvance(lines[i]) <=
                         (i == 0 ? label->width() : besideClose),
                     qPrintable(lines[i]));
        QVERIFY(h.dialogs.messageTexts().size() == 2); // no page failed
        QVERIFY(h.folder.read(deep + sub).find(kStartMarker) != std::string::npos);
    }

    void eraseAllAsksFirstThenRemovesTheBlocksAndUnchecksItsBox() {
        Harness h;
        h.edit("Text1")->setText(QString::fromStdString(h.site + "index.html"));
        h.click("Command4");
        const std::string applied = h.page("index.html");
        QVERIFY(applied.find(kStartMarker) != std::string::npos);

        h.dialogs.answers = {Answer::No};
        h.click("Command2");
        QCOMPARE(h.dialogs.messageTexts().size(), size_t(3));
        QCOMPARE(h.dialogs.messageTexts().back(),
                 std::string("この機能を実行すると、ホームページ内の全てのクイブレルリストを消去し"
                             "ます。\r\nクイブレルリストを消したいときに利用してください。\r\n\r\n"
                             "クイブレルリストを消去してよろしいですか？"));
        QCOMPARE(h.page("index.html"), applied);

        bool checkedDuringRun = false;
        h.dialogs.onMessage = [&](const std::string& text) {
            if (text == kApplyDoneMessage)
                checkedDuringRun = h.check("Check7")->isChecked();
        };
        h.click("Command2");
        QVERIFY(checkedDuringRun);
        QVERIFY(!h.check("Check7")->isChecked());
        QVERIFY(h.page("index.html").find(kStartMarker) == std::string::npos);
        QVERIFY(h.page("sub/a.html").find(kStartMarker) == std::string::npos);
    }
};

QTEST_MAIN(ApplyDialogTest)
#include "apply_dialog_test.moc"
