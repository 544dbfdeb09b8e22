// Message boxes, the input box, the colour chooser and the file-open dialog on Qt.
#pragma once

#include "platform/dialogs.h"

#include <QString>

namespace solvina {

// "description|*.a;*.b" (entries may repeat: "d1|p1|d2|p2") as a Qt name filter:
// "description (*.a *.b)", entries joined by ";;".
QString qtNameFilter(const std::string& filter);

class QtDialogs : public Dialogs {
public:
    Answer messageBox(const std::string& text, const std::string& title,
                      MessageButtons buttons) override;
    std::optional<std::string> inputBox(const std::string& prompt,
                                        const std::string& title) override;
    std::optional<std::uint32_t> chooseColor(std::uint32_t current) override;
    FileChoice chooseFileToOpen(const std::string& filter) override;
    std::optional<int> chooseItem(const std::string& title, const std::string& prompt,
                                  const std::vector<std::string>& items) override;
};

} // namespace solvina
