// AboutDialog: fixed texts; the home-page button opens the address in a browser.
#include "about_dialog.h"

#include "platform/messages.h"
#include "program_icon.h"
#include "ui_about_dialog.h"
#include "window_look.h"

namespace solvina {

namespace {

constexpr int kClientWidth = 261;
constexpr int kClientHeight = 148;

} // namespace

AboutDialog::AboutDialog(Browser& browser, Dialogs& dialogs, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::frmAbout>()), m_browser(browser),
      m_dialogs(dialogs) {
    m_ui->setupUi(this);
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    applyWindowLook(this);
    QFont title = interfaceFont(11.25);
    title.setBold(true);
    m_ui->lblTitle->setFont(title);
    m_ui->lblDescription->setText(QString::fromUtf8(kHomePageAddress));
    m_ui->picIcon->setPixmap(programPixmap());
    m_ui->cmdOK->setDefault(true);
    m_ui->cmdOK->setFocus();
    // Escape closes the dialog through reject(), Enter through the default button.
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->Command1, &QPushButton::clicked, this, &AboutDialog::Command1_Click);
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::Command1_Click() {
    std::weak_ptr<std::optional<int>> slot = m_mIE;
    auto instance = std::make_shared<std::optional<int>>();
    Result<int> started = m_browser.open(kHomePageAddress, [slot, instance] {
        auto held = slot.lock();
        if (held && *instance && *held == *instance)
            held->reset();
    });
    if (!started) {
        showFailure(m_dialogs, started.error());
        return;
    }
    *instance = *started;
    *m_mIE = *started;
}

} // namespace solvina
