// The text detail dialog: font size, bold, italic, underline and colour of one style row.
#pragma once

#include "platform/dialogs.h"
#include "style/breadcrumb_style.h"

#include <QDialog>

#include <memory>

class QCheckBox;

namespace Ui {
class TextDetailDialog;
}

namespace solvina {

// Edits style.rows[style.currentRow]; the row is written only on OK.
class TextDetailDialog : public QDialog {
    Q_OBJECT
public:
    TextDetailDialog(BreadcrumbStyle& style, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TextDetailDialog() override;

private:
    void Picture1_Click(); // the text colour swatch: choose a colour
    void Command4_Click(); // OK: write the size, the marks and the colour into the row

    void loadRow();

    std::unique_ptr<Ui::TextDetailDialog> m_ui;
    BreadcrumbStyle& m_style;
    Dialogs& m_dialogs;
};

// How a stored check value shows: 1 ticked, 2 greyed, anything else (0.5 from a damaged file)
// clear, so the box never shows ticked what the list does not draw bold.
Qt::CheckState checkStateOf(double storedValue);
// The value a check box stores: 0 clear, 1 ticked, 2 greyed.
int checkValueOf(Qt::CheckState state);

} // namespace solvina
