// The main window driven through its object names, with scripted dialogs and a fake browser.
#include "apply/apply_run.h"
#include "color_swatch.h"
#include "main_window.h"
#include "support/app_folder_fixture.h"
#include "support/fake_browser.h"
#include "support/modal_closer.h"
#include "support/scripted_dialogs.h"

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

#include <filesystem>
#include <memory>

using namespace solvina;
using namespace solvina::testing;

namespace {

const std::string kSampleStyle =
    std::string(SOLVINA_TEST_DATA_DIR) + "/../../data/appdir/styledata/サンプル";

struct Harness {
    AppFolderFixture folder;
    ScriptedDialogs dialogs;
    FakeBrowser browser;
    std::unique_ptr<MainWindow> window;

    void open() {
        window =
            std::make_unique<MainWindow>(dialogs, browser, nativeFileSystem(), folder.folder());
        window->show();
    }
    template <typename T> T* find(const char* name) {
        T* found = window->findChild<T*>(QString::fromUtf8(name));
        if (!found)
            qFatal("no control %s", name);
        return found;
    }
    QAction* action(const char* name) { return find<QAction>(name); }
    QPushButton* button(const char* name) { return find<QPushButton>(name); }
    QString text(const char* name) { return find<QLineEdit>(name)->text(); }

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

    void startsWithEmptyListAndHiddenEditor() {
        Harness h;
        h.open();
        QCOMPARE(h.find<QComboBox>("Combo1")->count(), 0);
        QCOMPARE(h.find<QComboBox>("Combo1")->currentIndex(), -1);
        verifyStyleState(h, false);
        QCOMPARE(h.window->windowTitle(), QStringLiteral("ソルビナ"));
        QCOMPARE(h.find<QWidget>("centralwidget")->size(), QSize(584, 570));
        QCOMPARE(h.action("Menu_Help_Open")->shortcut(), QKeySequence(Qt::Key_F1));
        QCOMPARE(h.find<QMenu>("Menu_Style_Main")->title(),
                 QStringLiteral("クイブレルメニュー（&M）"));
        QVERIFY(h.dialogs.shown.empty());
    }

    void listsStylesWithoutSelectingOne() {
        Harness h;
        h.folder.addDefaultStyle("b");
        h.folder.addDefaultStyle("a");
        h.open();
        auto* combo = h.find<QComboBox>("Combo1");
        QCOMPARE(combo->count(), 2);
        QCOMPARE(combo->currentIndex(), -1);
        verifyStyleState(h, false);
    }

    void loadingShowsTheStyleAndADamagedOneHidesItAgain() {
        Harness h;
        std::filesystem::copy(kSampleStyle, h.folder.libraryFolder() + "サンプル");
        h.folder.addDamagedStyle("壊れた");
        h.open();

        h.select(QStringLiteral("サンプル"));
        verifyStyleState(h, true);
        QCOMPARE(h.text("Text1_0"), QStringLiteral("現在地："));
        QCOMPARE(h.text("Text1_1"), QStringLiteral("＞"));
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

    void typingAndChoosingChangeTheBoundFields() {
        Harness h;
        h.folder.addDefaultStyle("s");
        h.open();
        h.select(QStringLiteral("s"));

        QTest::keyClicks(h.find<QLineEdit>("Text1_3"), QStringLiteral("+"));
        QCOMPARE(h.window->style().rows[3].text, std::string(">+"));
        h.find<QLineEdit>("Text2")->clear();
        QTest::keyClicks(h.find<QLineEdit>("Text2"), QStringLiteral("2"));
        QCOMPARE(h.window->style().borderWidth, std::string("2"));
        QTest::keyClicks(h.find<QLineEdit>("Text3"), QStringLiteral("30"));
        QCOMPARE(h.window->style().height, std::string("30"));

        QTest::mouseClick(h.find<QRadioButton>("Option2_2"), Qt::LeftButton);
        QTest::mouseClick(h.find<QRadioButton>("Option2_5"), Qt::LeftButton);
        QCOMPARE(h.window->style().tableAlign, 2);
        QCOMPARE(h.window->style().cellVAlign, 5);
        // The two groups are exclusive each on its own.
        QVERIFY(h.find<QRadioButton>("Option2_2")->isChecked());
        QVERIFY(!h.find<QRadioButton>("Option2_0")->isChecked());
        QVERIFY(!h.find<QRadioButton>("Option2_4")->isChecked());
    }

    void swatchTakesTheChosenColourAndTransparentClearsIt_data() {
        QTest::addColumn<bool>("chosen");
        QTest::addColumn<uint>("value");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QColor>("shown");
        QTest::newRow("black keeps six digits")
            << true << 0x000000u << "000000" << QColor(Qt::black);
        QTest::newRow("pure red") << true << 0x0000FFu << "0000FF" << QColor(Qt::red);
        QTest::newRow("mixed") << true << 0x563412u << "563412" << QColor(0x12, 0x34, 0x56);
        QTest::newRow("cancel changes nothing") << false << 0u << "" << QColor(Qt::white);
    }
    void swatchTakesTheChosenColourAndTransparentClearsIt() {
        QFETCH(bool, chosen);
        QFETCH(uint, value);
        QFETCH(QString, text);
        QFETCH(QColor, shown);
        Harness h;
        h.folder.addDefaultStyle("s");
        h.open();
        h.select(QStringLiteral("s"));
        auto* swatch = h.find<ColorSwatch>("Picture1");
        h.dialogs.colors.push_back(chosen ? std::optional<std::uint32_t>(value) : std::nullopt);

        QTest::mouseClick(swatch, Qt::LeftButton);
        QCOMPARE(h.find<QLabel>("Label6")->text(), text);
        QCOMPARE(QString::fromStdString(h.window->style().backgroundColor), text);
        QCOMPARE(swatch->shownColor(), shown);

        QTest::mouseClick(h.button("Command6"), Qt::LeftButton);
        QCOMPARE(h.find<QLabel>("Label6")->text(), QString());
        QVERIFY(h.window->style().backgroundColor.empty());
        QCOMPARE(swatch->shownColor(), QColor(Qt::white));
    }

    void rowButtonsOpenTheDetailDialogsForTheirRow_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<int>("row");
        QTest::newRow("text of row 2") << "Command4_2"
                                       << "solvina::TextDetailDialog" << 2;
        QTest::newRow("image of row 5") << "Command3_5"
                                        << "solvina::ImageDetailDialog" << 5;
        QTest::newRow("page-title text") << "Command4_7"
                                         << "solvina::TextDetailDialog" << 7;
        QTest::newRow("background image") << "Command3_7"
                                          << "solvina::ImageDetailDialog" << 7;
    }
    void rowButtonsOpenTheDetailDialogsForTheirRow() {
        QFETCH(QString, button);
        QFETCH(QString, dialog);
        QFETCH(int, row);
        Harness h;
        h.folder.addDefaultStyle("s");
        h.open();
        h.select(QStringLiteral("s"));
        QString opened;
        whenModalOpens([&](QWidget* modal) { opened = modal->metaObject()->className(); });
        QTest::mouseClick(h.find<QPushButton>(button.toUtf8().constData()), Qt::LeftButton);
        QCOMPARE(opened, dialog);
        QCOMPARE(int(h.window->style().currentRow), row);
    }

    void exitPromptCancelKeepsTheWindowAndNoCloses() {
        Harness h;
        h.folder.addDefaultStyle("s");
        h.open();
        h.select(QStringLiteral("s"));
        QTest::keyClicks(h.find<QLineEdit>("Text1_0"), QStringLiteral("x"));

        h.dialogs.answers = {Answer::Cancel};
        QTest::mouseClick(h.button("Command8"), Qt::LeftButton);
        QVERIFY(h.window->isVisible());
        QCOMPARE(h.window->style().rows[0].text, std::string("[Navi:x"));
        QCOMPARE(h.dialogs.shown.back().title, std::string("確認"));
        QCOMPARE(h.dialogs.shown.back().buttons, MessageButtons::YesNoCancel);

        h.dialogs.answers = {Answer::No};
        h.action("Menu_Style_End")->trigger();
        QVERIFY(!h.window->isVisible());
    }

    void unmodifiedStyleClosesWithoutAQuestion() {
        Harness h;
        h.folder.addDefaultStyle("s");
        h.open();
        h.select(QStringLiteral("s"));
        QVERIFY(h.window->close());
        QVERIFY(h.dialogs.shown.empty());
    }

    void createSelectsTheNewStyleAndDeleteHidesTheEditor() {
        Harness h;
        h.open();
        h.dialogs.inputs = {std::string("新しい")};
        QTest::mouseClick(h.button("Command1"), Qt::LeftButton);
        QCOMPARE(h.find<QComboBox>("Combo1")->currentText(), QStringLiteral("新しい"));
        verifyStyleState(h, true);
        QCOMPARE(h.text("Text1_0"), QStringLiteral("[Navi:"));
        QCOMPARE(h.text("Text1_6"), QStringLiteral("]"));

        h.dialogs.answers = {Answer::Yes};
        h.action("Menu_Style_Delete")->trigger();
        verifyStyleState(h, false);
        QCOMPARE(h.find<QComboBox>("Combo1")->count(), 0);
        QVERIFY(!std::filesystem::exists(h.folder.libraryFolder() + "新しい"));
    }

    void saveWritesTheEditedStyle() {
        Harness h;
        h.folder.addDefaultStyle("s");
        h.open();
        h.select(QStringLiteral("s"));
        QTest::keyClicks(h.find<QLineEdit>("Text1_6"), QStringLiteral("!"));
        h.action("Menu_Style_Save")->trigger();
        QCOMPARE(h.dialogs.messageTexts().back(),
                 std::string("クイブレルスタイル【s】を保存しました。"));
        QVERIFY(!h.window->style().isModified());
        QVERIFY(h.window->close());
    }

    void applyButtonRefusesAnUnsavedImage() {
        Harness h;
        BreadcrumbStyle style = programStartStyle();
        style.rows[7].imageFile = h.folder.folder() + "picked/back.gif";
        h.folder.addStyle("s", style);
        h.open();
        h.select(QStringLiteral("s"));
        bool dialogOpened = false;
        whenModalOpens([&](QWidget*) { dialogOpened = true; }, 0);
        QTest::mouseClick(h.button("Command7"), Qt::LeftButton);
        QTest::qWait(50); // the watcher is done before the next test opens dialogs
        QVERIFY(!dialogOpened);
        QCOMPARE(h.dialogs.messageTexts().back(), std::string(kUnsavedImageMessage));
        QCOMPARE(h.dialogs.shown.back().title, std::string("メッセージ"));
    }

    void applyDialogIsFreshAtEveryOpening() {
        Harness h;
        h.folder.addDefaultStyle("s");
        h.open();
        h.select(QStringLiteral("s"));
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
        h.folder.addDefaultStyle("s");
        h.open();
        h.select(QStringLiteral("s"));
        QTest::mouseClick(h.button("Command9"), Qt::LeftButton);
        h.action("Menu_Style_Pre")->trigger();

        const std::string page = h.folder.folder() + "pre.html";
        QVERIFY(std::filesystem::exists(page));
        QVERIFY(AppFolderFixture::readFile(page).find("</BODY></HTML>\r\n") != std::string::npos);
        QCOMPARE(h.browser.opened, (std::vector<std::string>{page, page}));
        QCOMPARE(h.window->mIE(), std::optional<int>(2));

        h.browser.quit(1);
        QCOMPARE(h.window->mIE(), std::optional<int>(2));
        h.browser.quit(2);
        QCOMPARE(h.window->mIE(), std::optional<int>());
    }

    void helpOpensTheHelpPageAndABrowserFailureIsReported() {
        Harness h;
        h.open();
        h.action("Menu_Help_Open")->trigger();
        QCOMPARE(h.browser.opened, std::vector<std::string>{h.folder.folder() + "help.html"});
        QCOMPARE(h.window->mIE(), std::optional<int>(1));

        h.browser.failure = "起動できません";
        h.action("Menu_Help_Open")->trigger();
        QCOMPARE(h.dialogs.messageTexts().back(),
                 std::string("エラーが発生しました。\r\n起動できません"));
        QCOMPARE(h.dialogs.shown.back().title, std::string("エラー発生"));
        QCOMPARE(h.window->mIE(), std::optional<int>(1));
    }

    void versionCommandOpensTheVersionDialog() {
        Harness h;
        h.open();
        QString opened;
        whenModalOpens([&](QWidget* modal) { opened = modal->objectName(); });
        h.action("Menu_Help_Ver")->trigger();
        QCOMPARE(opened, QStringLiteral("frmAbout"));
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
