// The image detail dialog: the image file of one style row, its preview and its size.
#include "image_detail_dialog.h"

#include "fitted_text.h"
#include "platform/messages.h"
#include "platform/qt/qt_picture_loader.h"
#include "style/numeric_text.h"
#include "style/style_library_paths.h"
#include "ui_image_detail_dialog.h"
#include "window_look.h"

#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSignalBlocker>

#include <cmath>

namespace solvina {

namespace {

constexpr const char* kImageFilter = "画像ファイル（*.gif *.jpeg *.jpg）|*.gif;*.jpeg;*.jpg";
constexpr const char* kClearQuestion = "画像をクリアしますか？";
constexpr const char* kHeightTooLarge = "縦のサイズが大きすぎます。";
constexpr const char* kWidthTooLarge = "横のサイズが大きすぎます。";

QString toQString(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

ImageDetailDialog::ImageDetailDialog(BreadcrumbStyle& style, const std::string& libraryFolder,
                                     Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ImageDetailDialog>()), m_style(style),
      m_libraryFolder(libraryFolder), m_dialogs(dialogs) {
    m_ui->setupUi(this);
    setFixedSize(291, 281);
    applyWindowLook(this);
    m_ui->Picture1->hide();
    m_ui->Label1->setTextFormat(Qt::PlainText);
    acceptOnEnter(this, m_ui->Command4);
    m_ui->Text1->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_ui->Text2->setAttribute(Qt::WA_InputMethodEnabled, false);

    connect(m_ui->Command1, &QPushButton::clicked, this, &ImageDetailDialog::Command1_Click);
    connect(m_ui->Command2, &QPushButton::clicked, this, &ImageDetailDialog::Command2_Click);
    connect(m_ui->Command3, &QPushButton::clicked, this, &ImageDetailDialog::Command3_Click);
    connect(m_ui->Command4, &QPushButton::clicked, this, &ImageDetailDialog::Command4_Click);
    connect(m_ui->Command5, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->Text1, &QLineEdit::textChanged, this, &ImageDetailDialog::Text1_Change);
    connect(m_ui->Text2, &QLineEdit::textChanged, this, &ImageDetailDialog::Text2_Change);

    loadRow();
}

ImageDetailDialog::~ImageDetailDialog() = default;

std::string ImageDetailDialog::resolvedPath(const std::string& reference) const {
    if (FLH(reference))
        return styleFolder(m_libraryFolder, m_style.styleName) + reference;
    return reference;
}

void ImageDetailDialog::loadRow() {
    const StyleRow& row = m_style.rows[m_style.currentRow];
    m_workingWidth = row.imageWidth;
    m_workingHeight = row.imageHeight;
    {
        // Emptying the boxes must not reset the working values to 0.
        const QSignalBlocker blockWidth(m_ui->Text1);
        const QSignalBlocker blockHeight(m_ui->Text2);
        m_ui->Text1->clear();
        m_ui->Text2->clear();
    }
    enableSizeBoxes(false);
    if (row.imageFile.empty())
        return;
    showReference(row.imageFile);
    enableSizeBoxes(true);
    m_ui->Text1->setText(toQString(shortestDecimal(m_workingWidth)));
    m_ui->Text2->setText(QString::number(m_workingHeight));
    showPicture(resolvedPath(row.imageFile));
}

void ImageDetailDialog::Command1_Click() {
    FileChoice choice = m_dialogs.chooseFileToOpen(kImageFilter);
    if (choice.outcome == FileChoice::Outcome::Cancelled)
        return;
    if (choice.outcome == FileChoice::Outcome::Failed) {
        showFailure(m_dialogs, choice.description);
        return;
    }
    showReference(choice.path);
    if (!showPicture(choice.path))
        return;
    fillMeasuredSize();
    enableSizeBoxes(true);
}

void ImageDetailDialog::Command2_Click() {
    if (m_dialogs.messageBox(kClearQuestion, kQuestionTitle, MessageButtons::YesNo) != Answer::Yes)
        return;
    showReference("");
    m_ui->Text1->clear();
    m_ui->Text2->clear();
    enableSizeBoxes(false);
    m_workingWidth = 0;
    m_workingHeight = 0;
    m_widthOutOfRange = false;
    m_heightOutOfRange = false;
    clearPicture();
}

void ImageDetailDialog::Command3_Click() {
    if (!showPicture(resolvedPath(m_reference)))
        return;
    fillMeasuredSize();
}

void ImageDetailDialog::Command4_Click() {
    if (m_widthOutOfRange) {
        m_dialogs.messageBox(kWidthTooLarge, kRefusedTitle, MessageButtons::Ok);
        m_ui->Text1->setFocus();
        return;
    }
    if (m_heightOutOfRange) {
        m_dialogs.messageBox(kHeightTooLarge, kRefusedTitle, MessageButtons::Ok);
        m_ui->Text2->setFocus();
        return;
    }
    StyleRow& row = m_style.rows[m_style.currentRow];
    row.imageWidth = m_workingWidth;
    row.imageHeight = m_workingHeight;
    row.imageFile = m_reference;
    accept();
}

void ImageDetailDialog::Text1_Change(const QString& text) {
    const double width = numericValue(text.toStdString());
    // A width beyond any double ("1e999") cannot be stored or written back as a number.
    m_widthOutOfRange = !std::isfinite(width);
    if (!m_widthOutOfRange)
        m_workingWidth = width;
}

void ImageDetailDialog::Text2_Change(const QString& text) {
    Result<std::int16_t> height = toInt16(numericValue(text.toStdString()));
    m_heightOutOfRange = !height.ok();
    if (height)
        m_workingHeight = *height;
}

bool ImageDetailDialog::showPicture(const std::string& path) {
    Result<QImage> image = loadPicture(path);
    if (!image) {
        // No picture is shown for a reference that cannot be loaded.
        clearPicture();
        showFailure(m_dialogs, image.error());
        return false;
    }
    const QPixmap pixmap = QPixmap::fromImage(*image);
    m_ui->Picture1->setPixmap(pixmap);
    m_ui->Picture1->resize(pixmap.size());
    // Natural size from the top-left corner, cut at the frame rather than scaled.
    const QSize visible = m_ui->Picture2->contentsRect().size().boundedTo(pixmap.size());
    m_ui->Picture2->setPixmap(pixmap.copy(QRect(QPoint(0, 0), visible)));
    return true;
}

void ImageDetailDialog::showReference(const std::string& reference) {
    m_reference = reference;
    // The label is narrow: a long path keeps its file name in view.
    showElided(m_ui->Label1, toQString(reference), Qt::ElideLeft);
}

void ImageDetailDialog::clearPicture() {
    m_ui->Picture1->clear();
    m_ui->Picture1->resize(0, 0);
    m_ui->Picture2->clear();
}

void ImageDetailDialog::fillMeasuredSize() {
    m_ui->Text1->setText(QString::number(m_ui->Picture1->width()));
    m_ui->Text2->setText(QString::number(m_ui->Picture1->height()));
}

void ImageDetailDialog::enableSizeBoxes(bool enabled) {
    m_ui->Text1->setEnabled(enabled);
    m_ui->Text2->setEnabled(enabled);
    m_ui->Command3->setEnabled(enabled);
}

} // namespace solvina
