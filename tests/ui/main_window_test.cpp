// The main window driven through its object names, with scripted dialogs and a fake browser.
#include "apply/apply_run.h"
#include "color_swatch.h"
#include "main_window.h"
#include "support/app_folder_fixture.h"
#include "support/fake_browser.h"
#include "support/scripted_dialogs.h"
#include "support/window_driver.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTextDocumentFragment>

#include <filesystem>
#include <memory>

using namespace solvina;
using namespace solvina::test_support;

namespace {

const std::string kSampleStyle = std::string(SOLVINA_APP_DIR) + "/styledata/サンプル";

struct Harness {
    AppFolderFixture folder;
    ScriptedDialogs dialogs;
    FakeBrowser browser;
    std::unique_ptr<MainWindow> window;

    void open() {
        window = std::make_unique<MainWindow>(dialogs, browser, nativeFileSystem(), folder.path());
        window->show();
    }
    template <typename T> T* find(const char* name) { return control<T>(window.get(), name); }
    QAction* action(const char* name) { return find<QAction>(name); }
    void click(const char* name) { test_support::click(window.get(), name); }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    QString text(const char* name) { return find<QLineEdit>(name)->text(); }

    // A window over a library of one default style, that style loaded.
    void openWithStyle() {
        folder.addDefaultStyle("s");
        open();
        select(QStringLiteral("s"));
    }
    void select(const QString& styleName) {
        auto* combo = find<QComboBox>("Combo1");
        const int index = combo->findText(styleName);
        QVERIFY(index >= 0);
        combo->setCurrentIndex(index);
        emit combo->activated(index);
    }
};

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    // The controls that the state table switches, and whether they are usable now.
    void verifyStyleState(Harness& h, bool loaded) {
        QCOMPARE(h.find<QGroupBox>("Frame1")->isVisible(), loaded);
        QCOMPARE(h.find<QGroupBox>("Frame2")->isVisible(), loaded);
        for (const char* name : {"Command2", "Command5", "Command7", "Command9"})
            QVERIFY2(h.button(name)->isEnabled() == loaded, name);
        for (const char* name :
             {"Menu_Style_Save", "Menu_Style_Delete", "Menu_Style_Pre", "Menu_Style_Run"})
            QVERIFY2(h.action(name)->isEnabled() == loaded, name);
        for (const char* name : {"Command1", "Command8"})
            QVERIFY2(h.button(name)->isEnabled(), name);
        for (const char* name :
             {"Menu_Style_New", "Menu_Style_End", "Menu_Help_Open", "Menu_Help_Ver"})
            QVERIFY2(h.action(name)->isEnabled(), name);
        QCOMPARE(h.window->isStyleLoaded(), loaded);
    }

private slots:
    void cleanup() { QVERIFY(!QApplication::activeModalWidget()); }

    void listsStylesWithoutSelectingOne() {
        Harness h;
        h.folder.addDefaultStyle("b");
        h.folder.addDefaultStyle("a");
        h.open();
        QCOMPARE(h.window->windowTitle(), QStringLiteral("ソルビナ"));
        QCOMPARE(h.find<QMenu>("Menu_Style_Main")->title(),
                 QStringLiteral("クイブレルメニュー（&M）"));
        QCOMPARE(h.find<QComboBox>("Combo1")->count(), 2);
        QCOMPARE(h.find<QComboBox>("Combo1")->currentIndex(), -1);
        verifyStyleState(h, false);
        QVERIFY(h.dialogs.shown.empty());
    }

    void loadingShowsTheStyleAndADamagedOneHidesItAgain() {
        Harness h;
        std::filesystem::copy(kSampleStyle, h.folder.libraryFolder() + "サンプル");
        h.folder.addDamagedStyle("壊れた");
        h.open();

        h.select(QStringLiteral("サンプル"));
        verifyStyleState(h, true);
        QCOMPARE(h.text("Text1_0"), QStringLiteral("現在地："));
        QCOMPARE(h.find<QLabel>("Label6")->text(), QStringLiteral("C0FFFF"));
        QCOMPARE(h.find<ColorSwatch>("Picture1")->shownColor(), QColor(0xFF, 0xFF, 0xC0));
        QCOMPARE(h.text("Text3"), QStringLiteral("24"));
        QVERIFY(h.find<QRadioButton>("Option2_0")->isChecked());
        QVERIFY(h.find<QRadioButton>("Option2_4")->isChecked());
        QVERIFY(h.dialogs.shown.empty());

        h.select(QStringLiteral("壊れた"));
        verifyStyleState(h, false);
        QCOMPARE(h.dialogs.messageTexts().back(),
                 std::string("このクイブレルスタイルファイルは読み込めません。"));
    }

    // Choosing another style asks about the edits first; a style whose file was not read is
    // never named nor written to.
    void switchingAsksAboutTheEditsAndAFailedLoadSavesNothing() {
        Harness h;
        h.folder.addDefaultStyle("a");
        h.folder.addDefaultStyle("c");
        h.folder.addDamagedStyle("b");
        h.open();
        h.select(QStringLiteral("a"));
        QTest::keyClicks(h.find<QLineEdit>("Text1_0"), QStringLiteral("x"));
        const std::string question =
            "クイブレルスタイル「a」は変更されています。\r\n保存しますか？";

        h.dialogs.answers = {Answer::Cancel};
        h.select(QStringLiteral("b"));
        QCOMPARE(h.dialogs.messageTexts(), std::vector<std::string>{question});
        QCOMPARE(h.dialogs.shown.back().buttons, MessageButtons::YesNoCancel);
        QCOMPARE(h.find<QComboBox>("Combo1")->currentText(), QStringLiteral("a"));
        verifyStyleState(h, true);
        QCOMPARE(h.text("Text1_0"), QStringLiteral("[Navi:x"));
        h.dialogs.answers = {Answer::Cancel}; // a new style would take the editor's place too
        h.click("Command1");
        QCOMPARE(h.dialogs.shown.size(), std::size_t(2));
        QCOMPARE(h.dialogs.shown.back().text, question);

        h.dialogs.answers = {Answer::Yes};
        h.select(QStringLiteral("c"));
        QVERIFY(h.folder.read("styledata/a/a.sty").find("[Navi:x") != std::string::npos);
        QCOMPARE(h.text("Text1_0"), QStringLiteral("[Navi:"));

        QTest::keyClicks(h.find<QLineEdit>("Text1_0"), QStringLiteral("y"));
        h.dialogs.shown.clear();
        h.dialogs.answers = {Answer::No};
        h.select(QStringLiteral("b"));
        verifyStyleState(h, false);
        h.window->close();
        QVERIFY(!h.window->isVisible());
        QCOMPARE(h.dialogs.messageTexts(),
                 (std::vector<std::string>{
                     "クイブレルスタイル「c」は変更されています。\r\n保存しますか？",
                     "このクイブレルスタイルファイルは読み込めません。"}));
        QVERIFY(!std::filesystem::exists(h.folder.libraryFolder() + "b/tmp"));
        QVERIFY(h.folder.read("styledata/c/c.sty").find("[Navi:y") == std::string::npos);
    }

    // A long image path keeps its file name in view; a file name is never read as markup.
    void imageLabelsShowTheFileNameAndNoMarkup() {
        const std::string longPath = "/" + std::string(60, 'd') + "/長いフォルダ名/picture.gif";
        const struct {
            int row;
            std::string imageFile;
            QString shownEnd;
            bool cut;
        } cases[] = {{1, longPath, QStringLiteral("picture.gif"), true},
                     {2, "<b>bold.gif", QStringLiteral("<b>bold.gif"), false},
                     {7, "short.gif", QStringLiteral("short.gif"), false}};
        Harness h;
        BreadcrumbStyle style = programStartStyle();
        for (const auto& c : cases)
            style.rows[c.row].imageFile = c.imageFile;
        h.folder.addStyle("s", style);
        h.open();
        h.select(QStringLiteral("s"));
        for (const auto& c : cases) {
            auto* label = h.find<QLabel>(("Label5_" + std::to_string(c.row)).c_str());
            QCOMPARE(label->textFormat(), Qt::PlainText);
            QVERIFY(label->text().endsWith(c.shownEnd));
            QCOMPARE(label->text().startsWith(QChar(0x2026)), c.cut);
            QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <
                    label->contentsRect().width());
            QCOMPARE(QTextDocumentFragment::fromHtml(label->toolTip()).toPlainText(),
                     QString::fromStdString(c.imageFile));
        }
    }

    // Inside the frames and behind the option buttons the window's own yellow shows.
    void framesAndOptionButtonsShowTheWindowsYellow() {
        Harness h;
        h.openWithStyle();
        const QImage shot = h.window->grab().toImage();
        const QColor yellow(0xFF, 0xFF, 0xC0);
        for (const char* name : {"Frame1", "Frame2", "Option2_1", "Option2_4"}) {
            auto* widget = h.find<QWidget>(name);
            // Just inside the lower right corner: clear of the frame's edge and of any text.
            const QPoint spot =
                widget->mapTo(h.window.get(), widget->rect().bottomRight() - QPoint(6, 6));
            QVERIFY2(shot.pixelColor(spot) == yellow,
                     qPrintable(QString::fromLatin1(name) + " " + shot.pixelColor(spot).name()));
        }
    }

    void typingAndChoosingChangeTheBoundFields() {
        Harness h;
        h.openWithStyle();

        QTest::keyClicks(h.find<QLineEdit>("Text1_3"), QStringLiteral("+"));
        QCOMPARE(h.window->style().rows[3].text, std::string(">+"));
        h.find<QLineEdit>("Text2")->clear();
        QTest::keyClicks(h.find<QLineEdit>("Text2"), QStringLiteral("2"));
        QCOMPARE(h.window->style().borderWidth, std::string("2"));
        QTest::keyClicks(h.find<QLineEdit>("Text3"), QStringLiteral("30"));
        QCOMPARE(h.window->style().height, std::string("30"));

        h.click("Option2_2");
        h.click("Option2_5");
        QCOMPARE(h.window->style().tableAlign, 2);
        QCOMPARE(h.window->style().cellVAlign, 5);
        // The two groups are exclusive each on its own.
        QVERIFY(h.find<QRadioButton>("Option2_2")->isChecked());
        QVERIFY(!h.find<QRadioButton>("Option2_0")->isChecked());
        QVERIFY(!h.find<QRadioButton>("Option2_4")->isChecked());
    }

    // The chooser gives blue-green-red; the swatch shows it as such.
    void swatchTakesTheChosenColourAndTransparentClearsIt() {
        Harness h;
        h.openWithStyle();
        auto* swatch = h.find<ColorSwatch>("Picture1");
        auto* label = h.find<QLabel>("Label6");
        h.dialogs.colors = {0x563412u, std::nullopt};
        QTest::mouseClick(swatch, Qt::LeftButton);
        QTest::mouseClick(swatch, Qt::LeftButton); // cancelled: nothing changes
        // The chooser opens on the colour shown: white for none, then the chosen one.
        QCOMPARE(h.dialogs.shown.at(0).startColor, 0xFFFFFFu);
        QCOMPARE(h.dialogs.shown.at(1).startColor, 0x563412u);
        QCOMPARE(label->text(), QStringLiteral("563412"));
        QCOMPARE(h.window->style().backgroundColor, std::string("563412"));
        QCOMPARE(swatch->shownColor(), QColor(0x12, 0x34, 0x56));

        h.click("Command6");
        QCOMPARE(label->text(), QString());
        QVERIFY(h.window->style().backgroundColor.empty());
        QCOMPARE(swatch->shownColor(), QColor(Qt::white));
    }

    void rowButtonsOpenTheDetailDialogsForTheirRow() {
        const struct {
            const char* button;
            const char* dialog;
            int row;
        } cases[] = {{"Command4_2", "solvina::TextDetailDialog", 2},
                     {"Command3_5", "solvina::ImageDetailDialog", 5},
                     {"Command4_7", "solvina::TextDetailDialog", 7},   // the page-title row
                     {"Command3_7", "solvina::ImageDetailDialog", 7}}; // the background image
        Harness h;
        h.openWithStyle();
        for (const auto& c : cases) {
            QString opened;
            whenModalOpens([&](QWidget* modal) { opened = modal->metaObject()->className(); });
            h.click(c.button);
            QCOMPARE(opened, QString::fromLatin1(c.dialog));
            QCOMPARE(int(h.window->style().currentRow), c.row);
        }
    }

    void exitPromptOnEveryWayOfClosing() {
        for (const char* way : {"Command8", "Menu_Style_End", "close box"}) {
            Harness h;
            h.openWithStyle();
            QTest::keyClicks(h.find<QLineEdit>("Text1_0"), QStringLiteral("x"));
            auto close = [&] {
                if (way == std::string("Command8"))
                    h.click("Command8");
                else if (way == std::string("Menu_Style_End"))
                    h.action("Menu_Style_End")->trigger();
                else
                    h.window->close();
            };
            h.dialogs.answers = {Answer::Cancel, Answer::No};
            close();
            QVERIFY2(h.window->isVisible(), way);
            QCOMPARE(h.dialogs.shown.size(), std::size_t(1));
            QCOMPARE(h.dialogs.shown.back().title, std::string("確認"));
            QCOMPARE(h.dialogs.shown.back().buttons, MessageButtons::YesNoCancel);
            QCOMPARE(h.window->style().rows[0].text, std::string("[Navi:x"));
            close();
            QVERIFY2(!h.window->isVisible(), way);
        }
    }

    void createSelectsTheNewStyleSaveWritesItAndDeleteHidesTheEditor() {
        Harness h;
        h.open();
        h.dialogs.inputs = {std::string("新しい")};
        h.click("Command1");
        QCOMPARE(h.find<QComboBox>("Combo1")->currentText(), QStringLiteral("新しい"));
        verifyStyleState(h, true);
        QCOMPARE(h.text("Text1_0"), QStringLiteral("[Navi:"));
        QCOMPARE(h.text("Text1_6"), QStringLiteral("]"));
        QTest::keyClicks(h.find<QLineEdit>("Text1_6"), QStringLiteral("!"));
        h.action("Menu_Style_Save")->trigger();
        QCOMPARE(h.dialogs.messageTexts().back(),
                 std::string("クイブレルスタイル【新しい】を保存しました。"));
        QVERIFY(!h.window->style().isModified());

        h.dialogs.answers = {Answer::Yes};
        h.action("Menu_Style_Delete")->trigger();
        verifyStyleState(h, false);
        QCOMPARE(h.find<QComboBox>("Combo1")->count(), 0);
        QVERIFY(!std::filesystem::exists(h.folder.libraryFolder() + "新しい"));
    }

    void applyButtonRefusesAnUnsavedImage() {
        Harness h;
        BreadcrumbStyle style = programStartStyle();
        style.rows[7].imageFile = h.folder.path() + "picked/back.gif";
        h.folder.addStyle("s", style);
        h.open();
        h.select(QStringLiteral("s"));
        bool dialogOpened = false;
        whenModalOpens([&](QWidget*) { dialogOpened = true; }, 0);
        h.click("Command7");
        QTest::qWait(50); // the watcher is done before the next test opens dialogs
        QVERIFY(!dialogOpened);
        QCOMPARE(h.dialogs.messageTexts().back(),
                 std::string("画像を変更した場合には、いったん保存しないとこの機能は使えません。"
                             "\r\n「クイブレルスタイルを上書保存」ボタンを押して保存してから、"
                             "再度この機能を使ってください。"));
        QCOMPARE(h.dialogs.shown.back().title, std::string("メッセージ"));
    }

    void applyDialogIsFreshAtEveryOpening() {
        Harness h;
        h.openWithStyle();
        for (int opening = 0; opening < 2; ++opening) {
            bool check2 = true;
            QString text1 = QStringLiteral("?");
            whenModalOpens([&](QWidget* modal) {
                QCOMPARE(modal->objectName(), QStringLiteral("Form4"));
                check2 = modal->findChild<QCheckBox*>("Check2")->isChecked();
                text1 = modal->findChild<QLineEdit*>("Text1")->text();
                modal->findChild<QCheckBox*>("Check2")->setChecked(true);
                modal->findChild<QLineEdit*>("Text1")->setText(QStringLiteral("/x/index.html"));
            });
            h.action("Menu_Style_Run")->trigger();
            QVERIFY(!check2);
            QCOMPARE(text1, QString());
        }
    }

    void previewWritesThePageAndWatchesTheNewestBrowser() {
        Harness h;
        h.openWithStyle();
        h.click("Command9");
        h.action("Menu_Style_Pre")->trigger();

        const std::string page = h.folder.path() + "pre.html";
        QVERIFY(std::filesystem::exists(page));
        QVERIFY(TempDir::readFile(page).find("</BODY></HTML>\r\n") != std::string::npos);
        QCOMPARE(h.browser.opened, (std::vector<std::string>{page, page}));
        QCOMPARE(h.window->mIE(), std::optional<int>(2));

        h.browser.quit(1);
        QCOMPARE(h.window->mIE(), std::optional<int>(2));
        h.browser.quit(2);
        QCOMPARE(h.window->mIE(), std::optional<int>());
    }

    // An installed program: the library, pre.html and help.html each in a folder of its own.
    void theInstalledLayoutKeepsEachFileInItsFolder() {
        Harness h;
        h.folder.addDefaultStyle("s");
        TempDir cache;
        const AppFolders folders{h.folder.libraryFolder(), cache.path(), "/usr/share/solvina/"};
        h.window = std::make_unique<MainWindow>(h.dialogs, h.browser, nativeFileSystem(), folders);
        h.window->show();
        h.select(QStringLiteral("s"));
        h.click("Command9");
        h.action("Menu_Help_Open")->trigger();
        QCOMPARE(h.browser.opened, (std::vector<std::string>{cache.path() + "pre.html",
                                                             "/usr/share/solvina/help.html"}));
        QVERIFY(std::filesystem::exists(cache.path() + "pre.html"));
    }

    void helpOpensTheHelpPageOrReportsTheBrowserFailureAndVersionOpensItsDialog() {
        Harness h;
        h.open();
        h.action("Menu_Help_Open")->trigger();
        QCOMPARE(h.browser.opened, std::vector<std::string>{h.folder.path() + "help.html"});
        QCOMPARE(h.window->mIE(), std::optional<int>(1));

        h.browser.failure = "起動できません";
        h.action("Menu_Help_Open")->trigger();
        QCOMPARE(h.dialogs.messageTexts().back(),
                 std::string("エラーが発生しました。\r\n起動できません"));
        QCOMPARE(h.dialogs.shown.back().title, std::string("エラー発生"));
        QCOMPARE(h.window->mIE(), std::optional<int>(1));

        QString opened;
        whenModalOpens([&](QWidget* modal) { opened = modal->objectName(); });
        h.action("Menu_Help_Ver")->trigger();
        QCOMPARE(opened, QStringLiteral("frmAbout"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
