// The image detail dialog: choosing, measuring, sizing and clearing a row's image.
#include "image_detail_dialog.h"

#include "platform/app_paths.h"
#include "style/breadcrumb_style.h"
#include "support/scripted_dialogs.h"
#include "support/test_pictures.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using solvina::Answer;
using solvina::BreadcrumbStyle;
using solvina::FileChoice;
using solvina::ImageDetailDialog;
using solvina::MessageButtons;
using solvina::StyleRow;
using solvina::testing::ScriptedDialogs;

class ImageDetailDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void savedImageOpensFilledAndShown();
    void rowWithoutImageOpensEmptyAndOkKeepsItsSize();
    void browsedGifFillsItsNaturalSizeOnTheBackgroundRow();
    void largeJpegIsClippedNotScaled();
    void typedSizesStoreTheirWorkingValues_data();
    void typedSizesStoreTheirWorkingValues();
    void measuringReplacesATypedSize();
    void clearThenOkEmptiesTheRow();
    void cancelAndCloseBoxWriteNothing();
    void missingImageAtOpeningKeepsTheBoxesFilled();
    void browseWithoutAPictureKeepsThePreviousOne();
    void heightBeyondSixteenBitsIsRefused();

private:
    std::unique_ptr<ImageDetailDialog> open();
    template <typename T> T* child(const char* name) {
        T* widget = m_dialog->findChild<T*>(QString::fromLatin1(name));
        if (!widget)
            qFatal("no child %s", name);
        return widget;
    }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void type(const char* box, const QString& text) {
        QLineEdit* edit = child<QLineEdit>(box);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    QString text(const char* name) {
        if (QLineEdit* edit = m_dialog->findChild<QLineEdit*>(QString::fromLatin1(name)))
            return edit->text();
        return child<QLabel>(name)->text();
    }
    bool enabled(const char* name) { return child<QWidget>(name)->isEnabled(); }
    std::string path(const QString& name) const { return m_dir->filePath(name).toStdString(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::string m_library;
    BreadcrumbStyle m_style;
    ScriptedDialogs m_dialogs;
    std::unique_ptr<ImageDetailDialog> m_dialog;
};

void ImageDetailDialogTest::init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_library = path("styledata");
    QVERIFY(QDir().mkpath(m_dir->filePath("styledata/青空")));
    QVERIFY(solvina::testing::writeGif(m_dir->filePath("styledata/青空/arrow.gif"), 30, 20));
    QVERIFY(solvina::testing::writeGif(m_dir->filePath("wide.gif"), 120, 45));
    QVERIFY(solvina::testing::writeJpeg(m_dir->filePath("photo.jpg"), 300, 200));
    QVERIFY(solvina::testing::writeText(m_dir->filePath("broken.gif"), "GIF89a not really"));

    m_style = BreadcrumbStyle{};
    m_style.styleName = "青空";
    m_style.currentRow = 2;
    StyleRow& row = m_style.rows[2];
    row.imageFile = "arrow.gif";
    row.imageWidth = 12.5;
    row.imageHeight = 20;
    m_dialogs = ScriptedDialogs{};
}

void ImageDetailDialogTest::cleanup() {
    m_dialog.reset();
    m_dir.reset();
}

std::unique_ptr<ImageDetailDialog> ImageDetailDialogTest::open() {
    auto dialog = std::make_unique<ImageDetailDialog>(m_style, m_library, m_dialogs);
    dialog->show();
    return dialog;
}

void ImageDetailDialogTest::savedImageOpensFilledAndShown() {
    m_dialog = open();
    QCOMPARE(m_dialog->windowTitle(), QStringLiteral("画像の詳細設定"));
    QCOMPARE(m_dialog->size(), QSize(291, 281));
    QCOMPARE(text("Label1"), QStringLiteral("arrow.gif"));
    QCOMPARE(text("Text1"), QStringLiteral("12.5"));
    QCOMPARE(text("Text2"), QStringLiteral("20"));
    QVERIFY(enabled("Text1") && enabled("Text2") && enabled("Command3"));
    QVERIFY(m_dialogs.shown.empty());
    QCOMPARE(child<QLabel>("Picture2")->pixmap().size(), QSize(30, 20));
    QCOMPARE(m_dialog->resolvedPath("arrow.gif"), path("styledata/青空/arrow.gif"));
    QCOMPARE(m_dialog->resolvedPath("/elsewhere/a.gif"), std::string("/elsewhere/a.gif"));

    m_dialogs.answers.push_back(Answer::No);
    click("Command2");
    QCOMPARE(text("Label1"), QStringLiteral("arrow.gif"));
    QCOMPARE(text("Text1"), QStringLiteral("12.5"));
    QVERIFY(!child<QLabel>("Picture2")->pixmap().isNull());
}

void ImageDetailDialogTest::rowWithoutImageOpensEmptyAndOkKeepsItsSize() {
    StyleRow& row = m_style.rows[2];
    row.imageFile.clear();
    row.imageWidth = 7.25;
    row.imageHeight = -3;
    m_dialog = open();
    QVERIFY(text("Label1").isEmpty() && text("Text1").isEmpty() && text("Text2").isEmpty());
    QVERIFY(!enabled("Text1") && !enabled("Text2") && !enabled("Command3"));
    click("Command4");
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(row.imageFile, std::string());
    QCOMPARE(row.imageWidth, 7.25);
    QCOMPARE(row.imageHeight, std::int16_t(-3));
}

void ImageDetailDialogTest::browsedGifFillsItsNaturalSizeOnTheBackgroundRow() {
    m_style.currentRow = 7;
    m_dialog = open();
    QVERIFY(text("Label1").isEmpty());
    m_dialogs.files.push_back({FileChoice::Outcome::Chosen, path("wide.gif"), ""});
    click("Command1");
    QCOMPARE(m_dialogs.shown.at(0).kind, std::string("file"));
    QCOMPARE(m_dialogs.shown.at(0).text,
             std::string("画像ファイル（*.gif *.jpeg *.jpg）|*.gif;*.jpeg;*.jpg"));
    QCOMPARE(text("Label1"), QString::fromStdString(path("wide.gif")));
    QCOMPARE(text("Text1"), QStringLiteral("120"));
    QCOMPARE(text("Text2"), QStringLiteral("45"));
    QVERIFY(enabled("Text1") && enabled("Text2") && enabled("Command3"));
    QCOMPARE(child<QLabel>("Picture2")->pixmap().size(), QSize(120, 45));
    click("Command4");
    const StyleRow& row = m_style.rows[7];
    QCOMPARE(row.imageFile, path("wide.gif"));
    QCOMPARE(row.imageWidth, 120.0);
    QCOMPARE(row.imageHeight, std::int16_t(45));
    QCOMPARE(m_style.rows[2].imageFile, std::string("arrow.gif"));
}

void ImageDetailDialogTest::largeJpegIsClippedNotScaled() {
    m_dialog = open();
    m_dialogs.files.push_back({FileChoice::Outcome::Chosen, path("photo.jpg"), ""});
    click("Command1");
    QCOMPARE(text("Text1"), QStringLiteral("300"));
    QCOMPARE(text("Text2"), QStringLiteral("200"));
    QLabel* preview = child<QLabel>("Picture2");
    // The frame shows the top-left part at one pixel per pixel.
    QCOMPARE(preview->pixmap().size(), preview->contentsRect().size());
    QCOMPARE(preview->pixmap().toImage().pixelColor(0, 0).red(), QColor(200, 40, 40).red());
}

void ImageDetailDialogTest::typedSizesStoreTheirWorkingValues_data() {
    QTest::addColumn<QString>("widthText");
    QTest::addColumn<QString>("heightText");
    QTest::addColumn<double>("width");
    QTest::addColumn<int>("height");
    QTest::newRow("halves") << "12.5"
                            << "12.5" << 12.5 << 12;
    QTest::newRow("odd half rounds up to even") << "13.5"
                                                << "13.5" << 13.5 << 14;
    QTest::newRow("unit after the number") << "80px"
                                           << "80px" << 80.0 << 80;
    QTest::newRow("no number") << "abc"
                               << "abc" << 0.0 << 0;
    QTest::newRow("empty") << ""
                           << "" << 0.0 << 0;
    QTest::newRow("blanks inside") << " 1 5"
                                   << "-2.5" << 15.0 << -2;
    QTest::newRow("exponent") << "1.5e2"
                              << "32767.4" << 150.0 << 32767;
}

void ImageDetailDialogTest::typedSizesStoreTheirWorkingValues() {
    QFETCH(QString, widthText);
    QFETCH(QString, heightText);
    QFETCH(double, width);
    QFETCH(int, height);
    m_dialog = open();
    type("Text1", widthText);
    type("Text2", heightText);
    click("Command4");
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QVERIFY(m_dialogs.shown.empty());
    QCOMPARE(m_style.rows[2].imageWidth, width);
    QCOMPARE(int(m_style.rows[2].imageHeight), height);
    QCOMPARE(m_style.rows[2].imageFile, std::string("arrow.gif"));
}

void ImageDetailDialogTest::measuringReplacesATypedSize() {
    m_dialog = open();
    type("Text1", "99");
    type("Text2", "98");
    click("Command3");
    QCOMPARE(text("Text1"), QStringLiteral("30"));
    QCOMPARE(text("Text2"), QStringLiteral("20"));
    click("Command4");
    QCOMPARE(m_style.rows[2].imageWidth, 30.0);
    QCOMPARE(m_style.rows[2].imageHeight, std::int16_t(20));
}

void ImageDetailDialogTest::clearThenOkEmptiesTheRow() {
    m_dialog = open();
    m_dialogs.answers.push_back(Answer::Yes);
    click("Command2");
    QCOMPARE(m_dialogs.shown.at(0).text, std::string("画像をクリアしますか？"));
    QCOMPARE(m_dialogs.shown.at(0).title, std::string("確認"));
    QCOMPARE(m_dialogs.shown.at(0).buttons, MessageButtons::YesNo);
    QVERIFY(text("Label1").isEmpty() && text("Text1").isEmpty() && text("Text2").isEmpty());
    QVERIFY(!enabled("Text1") && !enabled("Text2") && !enabled("Command3"));
    QVERIFY(child<QLabel>("Picture2")->pixmap().isNull());
    click("Command4");
    const StyleRow& row = m_style.rows[2];
    QCOMPARE(row.imageFile, std::string());
    QCOMPARE(row.imageWidth, 0.0);
    QCOMPARE(row.imageHeight, std::int16_t(0));
}

void ImageDetailDialogTest::cancelAndCloseBoxWriteNothing() {
    for (const char* how : {"Command5", "close box"}) {
        m_dialog = open();
        m_dialogs.files.push_back({FileChoice::Outcome::Chosen, path("wide.gif"), ""});
        click("Command1");
        type("Text1", "77");
        type("Text2", "66");
        if (QByteArray(how) == "Command5")
            click("Command5");
        else
            m_dialog->close();
        QVERIFY2(!m_dialog->isVisible(), how);
        QCOMPARE(m_dialog->result(), int(QDialog::Rejected));
        const StyleRow& row = m_style.rows[2];
        QCOMPARE(row.imageFile, std::string("arrow.gif"));
        QCOMPARE(row.imageWidth, 12.5);
        QCOMPARE(row.imageHeight, std::int16_t(20));
    }
}

void ImageDetailDialogTest::missingImageAtOpeningKeepsTheBoxesFilled() {
    m_style.rows[2].imageFile = "gone.gif";
    m_dialog = open();
    QCOMPARE(m_dialogs.messageTexts(),
             std::vector<std::string>{"エラーが発生しました。\r\nファイルが見つかりません。（" +
                                      path("styledata/青空/gone.gif") + "）"});
    QCOMPARE(m_dialogs.shown.at(0).title, std::string("エラー発生"));
    QCOMPARE(text("Label1"), QStringLiteral("gone.gif"));
    QCOMPARE(text("Text1"), QStringLiteral("12.5"));
    QCOMPARE(text("Text2"), QStringLiteral("20"));
    QVERIFY(enabled("Text1") && enabled("Text2") && enabled("Command3"));
    QVERIFY(child<QLabel>("Picture2")->pixmap().isNull());
    click("Command4");
    QCOMPARE(m_style.rows[2].imageFile, std::string("gone.gif"));
    QCOMPARE(m_style.rows[2].imageWidth, 12.5);
}

// Cancel says nothing; a failing dialog or a file that is no picture gives the failure message.
// The boxes keep the previous size either way.
void ImageDetailDialogTest::browseWithoutAPictureKeepsThePreviousOne() {
    m_dialog = open();
    m_dialogs.files.push_back({FileChoice::Outcome::Cancelled, "", ""});
    click("Command1");
    QVERIFY(m_dialogs.messageTexts().empty());
    QCOMPARE(text("Label1"), QStringLiteral("arrow.gif"));

    m_dialogs.files.push_back({FileChoice::Outcome::Failed, "", "ダイアログを開けません。"});
    click("Command1");
    QCOMPARE(text("Label1"), QStringLiteral("arrow.gif"));

    m_dialogs.files.push_back({FileChoice::Outcome::Chosen, path("broken.gif"), ""});
    click("Command1");
    QCOMPARE(m_dialogs.messageTexts(),
             (std::vector<std::string>{"エラーが発生しました。\r\nダイアログを開けません。",
                                       "エラーが発生しました。\r\n画像として読み込めません。（" +
                                           path("broken.gif") + "）"}));
    QCOMPARE(text("Label1"), QString::fromStdString(path("broken.gif")));
    QCOMPARE(text("Text1"), QStringLiteral("12.5"));
    QCOMPARE(text("Text2"), QStringLiteral("20"));
    QVERIFY(child<QLabel>("Picture2")->pixmap().isNull());
}

void ImageDetailDialogTest::heightBeyondSixteenBitsIsRefused() {
    m_dialog = open();
    type("Text2", "32767.5");
    click("Command4");
    QCOMPARE(m_dialogs.shown.size(), std::size_t(1));
    QCOMPARE(m_dialogs.shown.at(0).text, std::string("縦のサイズが大きすぎます。"));
    QCOMPARE(m_dialogs.shown.at(0).title, std::string("エラー"));
    QCOMPARE(m_dialogs.shown.at(0).buttons, MessageButtons::Ok);
    QVERIFY(m_dialog->isVisible());
    QCOMPARE(m_style.rows[2].imageHeight, std::int16_t(20));

    type("Text2", "-32768");
    click("Command4");
    QCOMPARE(m_dialogs.shown.size(), std::size_t(1));
    QCOMPARE(m_dialog->result(), int(QDialog::Accepted));
    QCOMPARE(m_style.rows[2].imageHeight, std::int16_t(-32768));
}

QTEST_MAIN(ImageDetailDialogTest)
#include "image_detail_dialog_test.moc"
