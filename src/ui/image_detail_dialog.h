// The image detail dialog: the image file of one style row, its preview and its size.
#pragma once

#include "platform/dialogs.h"
#include "style/breadcrumb_style.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <string>

namespace Ui {
class ImageDetailDialog;
}

namespace solvina {

// Edits style.rows[style.currentRow]: the dialog works on its own values and writes the path
// and the working width and height into the row only on OK.
class ImageDetailDialog : public QDialog {
    Q_OBJECT
public:
    ImageDetailDialog(BreadcrumbStyle& style, const std::string& libraryFolder, Dialogs& dialogs,
                      QWidget* parent = nullptr);
    ~ImageDetailDialog() override;

    // The file a reference names: a bare name lies in the style's folder, a path is itself.
    std::string resolvedPath(const std::string& reference) const;

private:
    void Command1_Click();                  // the browse button: choose a picture file
    void Command2_Click();                  // the clear button: the row loses its picture
    void Command3_Click();                  // the get-size button: the picture's natural size
    void Command4_Click();                  // OK: write the working values into the row
    void Text1_Change(const QString& text); // the width box
    void Text2_Change(const QString& text); // the height box

    void loadRow();
    // Loads the file into the measuring box and the preview; false after showing the failure.
    bool showPicture(const std::string& path);
    // The path label shows the reference; the reference itself is kept whole.
    void showReference(const std::string& reference);
    void clearPicture();
    void fillMeasuredSize();
    void enableSizeBoxes(bool enabled);

    std::unique_ptr<Ui::ImageDetailDialog> m_ui;
    BreadcrumbStyle& m_style;
    std::string m_libraryFolder;
    Dialogs& m_dialogs;
    std::string m_reference; // the image file reference being edited: bare name or path

    double m_workingWidth = 0;
    std::int16_t m_workingHeight = 0;
    // The height box holds a number beyond a 16-bit height; OK is refused while it does.
    bool m_heightOutOfRange = false;
    bool m_widthOutOfRange = false;
};

} // namespace solvina
