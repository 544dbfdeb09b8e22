// The version dialog frmAbout: the program's name and version, its author and home page.
#pragma once

#include "platform/browser.h"
#include "platform/dialogs.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class frmAbout;
}

namespace solvina {

inline constexpr const char* kHomePageAddress = "https://solvina.example/";

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    AboutDialog(Browser& browser, Dialogs& dialogs, QWidget* parent = nullptr);
    ~AboutDialog() override;

    // The browser this dialog started last, while it has not reported its quit.
    std::optional<int> mIE() const { return *m_mIE; }

private:
    void Command1_Click(); // the home page button: the home page in the browser

    std::unique_ptr<Ui::frmAbout> m_ui;
    Browser& m_browser;
    Dialogs& m_dialogs;
    // Shared with the quit handler, which may run after the dialog is gone.
    std::shared_ptr<std::optional<int>> m_mIE = std::make_shared<std::optional<int>>();
};

} // namespace solvina
