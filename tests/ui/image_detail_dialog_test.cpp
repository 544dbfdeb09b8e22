// The image detail dialog: choosing, measuring, sizing and clearing a row's image.
#include "image_detail_dialog.h"

#include "style/breadcrumb_style.h"
#include "support/scripted_dialogs.h"
#include "support/test_pictures.h"
#include "support/window_driver.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocumentFragment>

#include <memory>

using namespace solvina;
using namespace solvina::test_support;

class ImageDetailDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        m_dir = std::make_unique<QTemporaryDir>();
        m_library = path("styledata");
        QVERIFY(QDir().mkpath(m_dir->filePath("styledata/青空")));
        QVERIFY(writeGif(m_dir->filePath("styledata/青空/arrow.gif"), 30, 20));
        QVERIFY(writeGif(m_dir->filePath("wide.gif"), 120, 45));
        QVERIFY(writeJpeg(m_dir->filePath("photo.jpg"), 300, 200));
        QVERIFY(writeText(m_dir->filePath("broken.gif"), "GIF89a not really"));

        m_style = BreadcrumbStyle{};
        m_style.styleName = "青空";
        m_style.currentRow = 2;
        StyleRow& row = m_style.rows[2];
        row.imageFile = "arrow.gif";
        row.imageWidth = 12.5;
        row.imageHeight = 20;
        m_dialogs = ScriptedDialogs{};
    }

    void cleanup() {
        m_dialog.reset();
        m_dir.reset();
    }

    void savedImageOpensFilledMeasuresAndClearEmptiesTheRowOnYes() {
        open();
        QCOMPARE(m_dialog->windowTitle(), QStringLiteral("画像の詳細設定"));
        QCOMPARE(boxes(), QStringLiteral("arrow.gif|12.5|20|111"));
        QVERIFY(m_dialogs.shown.empty());
        QCOMPARE(preview().size(), QSize(30, 20));
        type("Text1", "99");
        type("Text2", "98");
        click("Command3"); // measuring replaces the typed size
        QCOMPARE(boxes(), QStringLiteral("arrow.gif|30|20|111"));

        m_dialogs.answers = {Answer::No, Answer::Yes};
        click("Command2");
        QCOMPARE(boxes(), QStringLiteral("arrow.gif|30|20|111"));
        QVERIFY(!preview().isNull());
        click("Command2");
        QCOMPARE(m_dialogs.shown.at(0).text, std::string("画像をクリアしますか？"));
        QCOMPARE(m_dialogs.shown.at(0).title, std::string("確認"));
        QCOMPARE(m_dialogs.shown.at(0).buttons, MessageButtons::YesNo);
        QCOMPARE(boxes(), QStringLiteral("|||000"));
        QVERIFY(preview().isNull());
        click("Command4");
        QCOMPARE(stored(2), QStringLiteral("|0|0"));
    }

    // Opening with empty boxes must not reset the stored size to 0.
    void rowWithoutImageOpensEmptyAndOkKeepsItsSize() {
        m_style.rows[2] = StyleRow{};
        m_style.rows[2].imageWidth = 7.25;
        m_style.rows[2].imageHeight = -3;
        open();
        QCOMPARE(boxes(), QStringLiteral("|||000"));
        click("Command4");
        QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
        QCOMPARE(stored(2), QStringLiteral("|7.25|-3"));
    }

    // A picked picture fills its natural size; a large one is cut at the frame, not scaled.
    void browsedPicturesFillTheirNaturalSizeOnTheBackgroundRow() {
        m_style.currentRow = 7;
        open();
        m_dialogs.files = {{FileChoice::Outcome::Chosen, path("photo.jpg"), ""},
                           {FileChoice::Outcome::Chosen, path("wide.gif"), ""}};
        click("Command1");
        QCOMPARE(m_dialogs.shown.at(0).text,
                 std::string("画像ファイル（*.gif *.jpeg *.jpg）|*.gif;*.jpeg;*.jpg"));
        QCOMPARE(boxes(), QString::fromStdString(path("photo.jpg")) + "|300|200|111");
        QCOMPARE(preview().size(), child<QLabel>("Picture2")->contentsRect().size());
        QCOMPARE(preview().toImage().pixelColor(0, 0).red(), QColor(200, 40, 40).red());

        click("Command1");
        QCOMPARE(boxes(), QString::fromStdString(path("wide.gif")) + "|120|45|111");
        QCOMPARE(preview().size(), QSize(120, 45));
        click("Command4");
        QCOMPARE(stored(7), QString::fromStdString(path("wide.gif")) + "|120|45");
        QCOMPARE(stored(2), QStringLiteral("arrow.gif|12.5|20"));
    }

    // The numbers are read as the style file reads them; the height rounds half to even.
    void typedSizesStoreTheirWorkingValues() {
        const struct {
            const char* width;
            const char* height;
            const char* stored;
            bool enter = false; // Enter in the height box instead of OK
        } cases[] = {{"13.5", "13.5", "arrow.gif|13.5|14"},
                     {"abc", "", "arrow.gif|0|0"},
                     {" 1 5", "-32768", "arrow.gif|15|-32768"},
                     {"80px", "9", "arrow.gif|80|9", true}};
        for (const auto& c : cases) {
            open();
            type("Text1", QString::fromUtf8(c.width));
            type("Text2", QString::fromUtf8(c.height));
            if (c.enter)
                QTest::keyClick(child<QLineEdit>("Text2"), Qt::Key_Return);
            else
                click("Command4");
            QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
            QVERIFY(m_dialogs.shown.empty());
            QCOMPARE(stored(2), QString::fromUtf8(c.stored));
        }
    }

    void sizesBeyondTheirRangeAreRefused() {
        const struct {
            const char* box;
            const char* typed;
            const char* message;
        } cases[] = {{"Text2", "32767.5", "縦のサイズが大きすぎます。"},
                     {"Text1", "1e999", "横のサイズが大きすぎます。"}};
        for (const auto& c : cases) {
            m_dialogs.shown.clear();
            open();
            type(c.box, QString::fromUtf8(c.typed));
            click("Command4");
            QCOMPARE(m_dialogs.shown.size(), std::size_t(1));
            QCOMPARE(m_dialogs.shown.at(0).text, std::string(c.message));
            QCOMPARE(m_dialogs.shown.at(0).title, std::string("エラー"));
            QCOMPARE(m_dialogs.shown.at(0).buttons, MessageButtons::Ok);
            QVERIFY(m_dialog->isVisible());
            QCOMPARE(stored(2), QStringLiteral("arrow.gif|12.5|20"));

            type(c.box, "7");
            click("Command4");
            QCOMPARE(m_dialogs.shown.size(), std::size_t(1));
            QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
            m_style.rows[2].imageWidth = 12.5;
            m_style.rows[2].imageHeight = 20;
        }
    }

    void cancelAndCloseBoxWriteNothing() {
        for (bool byButton : {true, false}) {
            open();
            m_dialogs.files.push_back({FileChoice::Outcome::Chosen, path("wide.gif"), ""});
            click("Command1");
            type("Text1", "77");
            type("Text2", "66");
            if (byButton)
                click("Command5");
            else
                m_dialog->close();
            QVERIFY(!m_dialog->isVisible());
            QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
            QCOMPARE(stored(2), QStringLiteral("arrow.gif|12.5|20"));
        }
    }

    // The path label shows a name as text, and the end of a long path; OK stores it whole.
    void thePathLabelShowsNamesAsTextAndTheEndOfALongPath() {
        QVERIFY(writeGif(m_dir->filePath("styledata/青空/<b>bold.gif"), 8, 8));
        const QString deep = QStringLiteral("a-folder-with-a-name-much-longer-than-the-label/");
        QVERIFY(QDir().mkpath(m_dir->filePath(deep)));
        QVERIFY(writeGif(m_dir->filePath(deep + "deep.gif"), 8, 8));
        m_style.rows[2].imageFile = "<b>bold.gif";
        open();
        auto* label = child<QLabel>("Label1");
        QCOMPARE(label->textFormat(), Qt::PlainText);
        QCOMPARE(label->text(), QStringLiteral("<b>bold.gif"));
        QCOMPARE(boxes(), QStringLiteral("<b>bold.gif|12.5|20|111"));

        m_dialogs.files = {{FileChoice::Outcome::Chosen, path(deep + "deep.gif"), ""}};
        click("Command1");
        QVERIFY(label->text().startsWith(QChar(0x2026)));
        QVERIFY(label->text().endsWith(QStringLiteral("/deep.gif")));
        click("Command4");
        QCOMPARE(stored(2), QString::fromStdString(path(deep + "deep.gif")) + "|8|8");
    }

    // A bare name is looked for in the style's folder.
    void missingImageAtOpeningKeepsTheBoxesFilled() {
        m_style.rows[2].imageFile = "gone.gif";
        open();
        QCOMPARE(m_dialogs.messageTexts(),
                 std::vector<std::string>{"エラーが発生しました。\r\nファイルが見つかりません。（" +
                                          path("styledata/青空/gone.gif") + "）"});
        QCOMPARE(m_dialogs.shown.at(0).title, std::string("エラー発生"));
        QCOMPARE(boxes(), QStringLiteral("gone.gif|12.5|20|111"));
        QVERIFY(preview().isNull());
        click("Command4");
        QCOMPARE(stored(2), QStringLiteral("gone.gif|12.5|20"));
    }

    // Cancel says nothing; a failing dialog or a file that is no picture gives the failure message.
    // The boxes keep the previous size either way.
    void browseWithoutAPictureKeepsThePreviousOne() {
        open();
        m_dialogs.files = {{FileChoice::Outcome::Cancelled, "", ""},
                           {FileChoice::Outcome::Failed, "", "ダイアログを開けません。"},
                           {FileChoice::Outcome::Chosen, path("broken.gif"), ""}};
        click("Command1");
        QVERIFY(m_dialogs.messageTexts().empty());
        click("Command1");
        QCOMPARE(boxes(), QStringLiteral("arrow.gif|12.5|20|111"));
        click("Command1");
        QCOMPARE(
            m_dialogs.messageTexts(),
            (std::vector<std::string>{"エラーが発生しました。\r\nダイアログを開けません。",
                                      "エラーが発生しました。\r\n画像として読み込めません。（" +
                                          path("broken.gif") + "）"}));
        QCOMPARE(boxes(), QString::fromStdString(path("broken.gif")) + "|12.5|20|111");
        QVERIFY(preview().isNull());
    }

private:
    void open() {
        m_dialog = std::make_unique<ImageDetailDialog>(m_style, m_library, m_dialogs);
        m_dialog->show();
    }
    template <typename T> T* child(const char* name) { return control<T>(m_dialog.get(), name); }
    void click(const char* name) { test_support::click(m_dialog.get(), name); }
    void type(const char* box, const QString& text) { retype(child<QLineEdit>(box), text); }
    // The file label (whole, as its tooltip holds it), the width and height boxes, and which of
    // the two boxes and the measure button are usable ("111": all three).
    QString boxes() {
        QString usable;
        for (const char* name : {"Text1", "Text2", "Command3"})
            usable += child<QWidget>(name)->isEnabled() ? '1' : '0';
        const QString label = child<QLabel>("Label1")->toolTip();
        return QStringList{QTextDocumentFragment::fromHtml(label).toPlainText(),
                           child<QLineEdit>("Text1")->text(), child<QLineEdit>("Text2")->text(),
                           usable}
            .join('|');
    }
    // A row's image file, width and height.
    QString stored(int row) {
        const StyleRow& r = m_style.rows[row];
        return QString::fromStdString(r.imageFile) + "|" + QString::number(r.imageWidth) + "|" +
               QString::number(r.imageHeight);
    }
    QPixmap preview() { return child<QLabel>("Picture2")->pixmap(); }
    std::string path(const QString& name) const { return m_dir->filePath(name).toStdString(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::string m_library;
    BreadcrumbStyle m_style;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<ImageDetailDialog> m_dialog;
};

QTEST_MAIN(ImageDetailDialogTest)
#include "image_detail_dialog_test.moc"
