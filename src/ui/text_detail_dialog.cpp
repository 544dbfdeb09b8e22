// The text detail dialog: font size, bold, italic, underline and colour of one style row.
#include "text_detail_dialog.h"

#include "color_swatch.h"
#include "ui_text_detail_dialog.h"
#include "window_look.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace solvina {

namespace {

// A greyed box (a value 2 from a style file) turns into an ordinary two-state box once the
// user clicks it, so clicking never leads back to grey.
void setCheckValue(QCheckBox* box, double storedValue) {
    const Qt::CheckState state = checkStateOf(storedValue);
    box->setTristate(state == Qt::PartiallyChecked);
    box->setCheckState(state);
    QObject::connect(box, &QCheckBox::clicked, box, [box] {
        if (box->isTristate())
            box->setTristate(false);
    });
}

} // namespace

Qt::CheckState checkStateOf(double storedValue) {
    if (storedValue == 1)
        return Qt::Checked;
    if (storedValue == 2)
        return Qt::PartiallyChecked;
    return Qt::Unchecked;
}

int checkValueOf(Qt::CheckState state) {
    switch (state) {
    case Qt::Checked:
        return 1;
    case Qt::PartiallyChecked:
        return 2;
    default:
        return 0;
    }
}

TextDetailDialog::TextDetailDialog(BreadcrumbStyle& style, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TextDetailDialog>()), m_style(style),
      m_dialogs(dialogs) {
    m_ui->setupUi(this);
    setFixedSize(243, 166);
    applyWindowLook(this);
    m_ui->Label4->setTextFormat(Qt::PlainText);
    acceptOnEnter(this, m_ui->Command4);
    m_ui->Combo1->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_ui->Combo1->lineEdit()->setAttribute(Qt::WA_InputMethodEnabled, false);

    connect(m_ui->Picture1, &ColorSwatch::clicked, this, &TextDetailDialog::Picture1_Click);
    connect(m_ui->Command4, &QPushButton::clicked, this, &TextDetailDialog::Command4_Click);
    connect(m_ui->Command5, &QPushButton::clicked, this, &QDialog::reject);

    loadRow();
}

TextDetailDialog::~TextDetailDialog() = default;

void TextDetailDialog::loadRow() {
    const StyleRow& row = m_style.rows[m_style.currentRow];
    const QString size = QString::fromStdString(row.fontSize);
    // A size from the list selects its item; any other text stands in the box alone.
    m_ui->Combo1->setCurrentIndex(
        m_ui->Combo1->findText(size, Qt::MatchExactly | Qt::MatchCaseSensitive));
    m_ui->Combo1->setEditText(size);
    setCheckValue(m_ui->Check1, row.bold);
    setCheckValue(m_ui->Check2, row.italic);
    setCheckValue(m_ui->Check3, row.underline);
    m_ui->Label4->setText(QString::fromStdString(row.color));
    m_ui->Picture1->showColorText(row.color);
}

void TextDetailDialog::Picture1_Click() {
    // Cancel and failure of the chooser leave the colour as it is, without a word.
    std::optional<std::uint32_t> chosen =
        m_dialogs.chooseColor(swatchColor(m_ui->Label4->text().toStdString()));
    if (!chosen)
        return;
    const std::string colorText = colorTextFromPicker(*chosen);
    m_ui->Label4->setText(QString::fromStdString(colorText));
    m_ui->Picture1->showColorText(colorText);
}

void TextDetailDialog::Command4_Click() {
    StyleRow& row = m_style.rows[m_style.currentRow];
    row.fontSize = m_ui->Combo1->currentText().toStdString();
    row.bold = checkValueOf(m_ui->Check1->checkState());
    row.italic = checkValueOf(m_ui->Check2->checkState());
    row.underline = static_cast<std::int16_t>(checkValueOf(m_ui->Check3->checkState()));
    row.color = m_ui->Label4->text().toStdString();
    accept();
}

} // namespace solvina
