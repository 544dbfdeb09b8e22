// The apply dialog Form4: the settings of a run, its start, the erase-all run and the progress.
#pragma once

#include "apply/apply_run.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "platform/qt/hourglass_cursor.h"
#include "style/breadcrumb_style.h"

#include <QDialog>

#include <memory>
#include <optional>
#include <string>

namespace Ui {
class Form4;
}

namespace solvina {

class ApplyDialog : public QDialog, private ApplyReporter {
    Q_OBJECT
public:
    // styleFolder: the folder of the style being applied, ending in "/".
    ApplyDialog(const BreadcrumbStyle& style, std::string styleFolder, Dialogs& dialogs,
                FileSystem& fs, QWidget* parent = nullptr);
    ~ApplyDialog() override;

    // The settings as the controls hold them now.
    ApplyOptions optionsFromControls() const;
    bool isRunning() const { return m_running; }

public slots:
    void reject() override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Message boxes of a run show the normal pointer, the pages the hourglass.
    class RunDialogs : public Dialogs {
    public:
        explicit RunDialogs(ApplyDialog& owner) : m_owner(owner) {}
        Answer messageBox(const std::string& text, const std::string& title,
                          MessageButtons buttons) override;
        std::optional<std::string> inputBox(const std::string& prompt,
                                            const std::string& title) override;
        std::optional<std::uint32_t> chooseColor(std::uint32_t current) override;
        FileChoice chooseFileToOpen(const std::string& filter) override;
        std::optional<int> chooseItem(const std::string& title, const std::string& prompt,
                                      const std::vector<std::string>& items) override;

    private:
        ApplyDialog& m_owner;
    };

    void pageEntered(const std::string& path) override;
    void pageFailed(const std::string& description) override;
    // The writing phase: the bar counts the pages written, the label shows the page.
    void pageWritten(const std::string& path, int written, int planned) override;

    void Command1_Click(); // the browse button: choose the top page
    void Command2_Click(); // the erase button: remove the breadcrumb block from every page
    void Command4_Click(); // the start button: write the breadcrumb block into every page
    // "サイトを確認": the plan for the options as set, in a read-only dialog.
    void Command6_Click();
    // "元に戻す…": the kept runs of the top page; the chosen one restored after a confirmation.
    void Command7_Click();
    void run(bool eraseAll);
    void setRunning(bool running);

    std::unique_ptr<Ui::Form4> m_ui;
    const BreadcrumbStyle& m_style;
    std::string m_styleFolder;
    Dialogs& m_dialogs;
    FileSystem& m_fs;
    RunDialogs m_runDialogs;
    ApplyRunState m_state;
    bool m_running = false;
    std::optional<HourglassCursor> m_hourglass;
};

} // namespace solvina
