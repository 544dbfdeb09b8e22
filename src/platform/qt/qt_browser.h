// The user's web browser as a watched child process.
#pragma once

#include "platform/browser.h"

#include <QStringList>

#include <map>
#include <vector>

class QProcess;

namespace solvina {

// One way of starting a browser: the program and the arguments, the target among them.
struct BrowserCommand {
    QString program;
    QStringList arguments;
};

// The commands to try for target, in order: each entry of $BROWSER (entries separated by ":",
// "%s" standing for the target, else the target appended), then xdg-open, sensible-browser,
// x-www-browser, firefox, chromium.
std::vector<BrowserCommand> browserCommands(const QString& browserVariable, const QString& target);

// Starts the first of browserCommands that starts, and reports the end of that process as the
// browser's quit. A desktop opener such as xdg-open may hand the page to a browser that is
// already running and end at once; its end is then reported as the quit.
class QtBrowser : public Browser {
public:
    QtBrowser() = default;
    ~QtBrowser() override;
    QtBrowser(const QtBrowser&) = delete;
    QtBrowser& operator=(const QtBrowser&) = delete;

    Result<int> open(const std::string& target, std::function<void()> onQuit) override;

private:
    std::map<int, QProcess*> m_running;
    int m_lastId = 0;
};

} // namespace solvina
