// QtDialogs: modal Qt dialogs over the active window, in the words the core gives.
#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QStringList>

namespace solvina {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

// Messages carry CR LF line breaks; a label wants bare line feeds.
QString messageText(const std::string& text) {
    QString shown = fromUtf8(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

} // namespace

QString qtNameFilter(const std::string& filter) {
    const QStringList parts = fromUtf8(filter).split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        entries << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    if (entries.isEmpty() && !filter.empty())
        entries << fromUtf8(filter);
    return entries.join(QStringLiteral(";;"));
}

Answer QtDialogs::messageBox(const std::string& text, const std::string& title,
                             MessageButtons buttons) {
    QMessageBox box(QMessageBox::NoIcon, fromUtf8(title), messageText(text), QMessageBox::NoButton,
                    dialogParent());
    box.setTextFormat(Qt::PlainText);
    switch (buttons) {
    case MessageButtons::Ok:
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MessageButtons::YesNo:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        break;
    case MessageButtons::YesNoCancel:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::Cancel);
        break;
    }
    box.exec();
    switch (box.standardButton(box.clickedButton())) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        // Closed without a button: the answer that changes nothing.
        if (buttons == MessageButtons::YesNo)
            return Answer::No;
        return buttons == MessageButtons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

std::optional<std::string> QtDialogs::inputBox(const std::string& prompt,
                                               const std::string& title) {
    QInputDialog dialog(dialogParent());
    dialog.setWindowTitle(fromUtf8(title));
    dialog.setLabelText(messageText(prompt));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextValue(QString());
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}

std::optional<std::uint32_t> QtDialogs::chooseColor(std::uint32_t current) {
    // The window system's order: red in the low byte, then green, then blue.
    const QColor start(static_cast<int>(current & 0xFF), static_cast<int>((current >> 8) & 0xFF),
                       static_cast<int>((current >> 16) & 0xFF));
    const QColor chosen = QColorDialog::getColor(start, dialogParent());
    if (!chosen.isValid())
        return std::nullopt;
    return static_cast<std::uint32_t>(chosen.red()) |
           static_cast<std::uint32_t>(chosen.green()) << 8 |
           static_cast<std::uint32_t>(chosen.blue()) << 16;
}

FileChoice QtDialogs::chooseFileToOpen(const std::string& filter) {
    QFileDialog dialog(dialogParent(), QString(), QString(), qtNameFilter(filter));
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    // The caption already lists the patterns; Qt would repeat them in brackets.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    const QString path =
        dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    FileChoice choice;
    if (path.isEmpty()) {
        choice.outcome = FileChoice::Outcome::Cancelled;
        return choice;
    }
    choice.outcome = FileChoice::Outcome::Chosen;
    choice.path = path.toStdString();
    return choice;
}

std::optional<int> QtDialogs::chooseItem(const std::string& title, const std::string& prompt,
                                         const std::vector<std::string>& items) {
    QStringList shown;
    for (const std::string& item : items)
        shown << fromUtf8(item);
    bool chosen = false;
    const QString item = QInputDialog::getItem(dialogParent(), fromUtf8(title), messageText(prompt),
                                               shown, 0, false, &chosen);
    const auto index = shown.indexOf(item);
    if (!chosen || index < 0)
        return std::nullopt;
    return static_cast<int>(index);
}

} // namespace solvina
