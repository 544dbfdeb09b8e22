// QtBrowser: browser candidates, their start and the watch over their end.
#include "platform/qt/qt_browser.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>

#include <optional>

namespace solvina {

namespace {

constexpr int kStartTimeoutMs = 5000;

std::optional<BrowserCommand> commandFromEntry(const QString& entry, const QString& target) {
    QStringList words = QProcess::splitCommand(entry);
    if (words.isEmpty())
        return std::nullopt;
    bool targetPlaced = false;
    for (QString& word : words) {
        if (word.contains(QStringLiteral("%s"))) {
            word.replace(QStringLiteral("%s"), target);
            targetPlaced = true;
        }
    }
    if (!targetPlaced)
        words << target;
    BrowserCommand command;
    command.program = words.takeFirst();
    command.arguments = words;
    return command;
}

} // namespace

std::vector<BrowserCommand> browserCommands(const QString& browserVariable, const QString& target) {
    std::vector<BrowserCommand> commands;
    for (const QString& entry : browserVariable.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (auto command = commandFromEntry(entry, target))
            commands.push_back(*command);
    }
    for (const char* opener :
         {"xdg-open", "sensible-browser", "x-www-browser", "firefox", "chromium"})
        commands.push_back({QString::fromLatin1(opener), {target}});
    return commands;
}

QtBrowser::~QtBrowser() {
    // A browser outlives the program that opened it: its process object is let go instead of
    // being destroyed, which would kill the browser.
    for (auto& [id, process] : m_running) {
        QObject::disconnect(process, nullptr, nullptr, nullptr);
        process->setParent(nullptr);
    }
}

Result<int> QtBrowser::open(const std::string& target, std::function<void()> onQuit) {
    const QString browserVariable =
        QProcessEnvironment::systemEnvironment().value(QStringLiteral("BROWSER"));
    QStringList tried;
    for (const BrowserCommand& command :
         browserCommands(browserVariable, QString::fromStdString(target))) {
        if (QStandardPaths::findExecutable(command.program).isEmpty() &&
            !command.program.contains(QLatin1Char('/')))
            continue;
        tried << command.program;
        auto* process = new QProcess();
        process->setProgram(command.program);
        process->setArguments(command.arguments);
        process->setProcessChannelMode(QProcess::ForwardedChannels);
        process->start();
        if (!process->waitForStarted(kStartTimeoutMs)) {
            delete process;
            continue;
        }
        const int id = ++m_lastId;
        m_running[id] = process;
        QObject::connect(process, &QProcess::finished, process,
                         [this, id, process, onQuit = std::move(onQuit)] {
                             m_running.erase(id);
                             process->deleteLater();
                             if (onQuit)
                                 onQuit();
                         });
        return id;
    }
    if (tried.isEmpty())
        return fail("ウェブブラウザが見つかりません（環境変数 BROWSER、xdg-open など）。");
    return fail("ウェブブラウザを起動できませんでした（" +
                tried.join(QStringLiteral("、")).toStdString() + "）。");
}

} // namespace solvina
