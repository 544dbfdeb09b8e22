// The main window Form1: the style list, the style commands, the row editor and the menus.
#pragma once

#include "platform/app_paths.h"
#include "platform/browser.h"
#include "platform/dialogs.h"
#include "platform/file_system.h"
#include "style/breadcrumb_style.h"
#include "style/style_library.h"

#include <QMainWindow>

#include <array>
#include <memory>
#include <optional>
#include <string>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QPushButton;

namespace Ui {
class Form1;
}

namespace solvina {

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // folders: the style library, the folder of pre.html, the folder of help.html.
    MainWindow(Dialogs& dialogs, Browser& browser, FileSystem& fs, const AppFolders& folders,
               QWidget* parent = nullptr);
    // applicationFolder holds pre.html, help.html and the style library "styledata/".
    MainWindow(Dialogs& dialogs, Browser& browser, FileSystem& fs,
               const std::string& applicationFolder, QWidget* parent = nullptr);
    ~MainWindow() override;

    const BreadcrumbStyle& style() const { return m_style; }
    bool isStyleLoaded() const { return m_styleLoaded; }
    // The browser instance started last, while it has not reported its quit.
    std::optional<int> mIE() const { return m_mIE; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void collectControlGroups();
    void applyLook();
    void connectControls();

    void Quibrel_Load(); // refills the style list from the library; no style is loaded after
    void setStyleLoaded(bool loaded);
    void showStyle();
    void showImageFile(int row);
    void showBackgroundColor();

    void Combo1_Click(int index);   // a style picked in the style list: load it
    void Command1_Click();          // the new-style button and menu item
    void Command2_Click();          // the delete-style button and menu item
    void Command5_Click();          // the save-style button and menu item
    void Command3_Click(int index); // a row's image button: the image detail dialog
    void Command4_Click(int index); // a row's text button: the text detail dialog
    void Command6_Click();          // the transparent button: no background colour
    void Command7_Click();          // the apply button and menu item: the apply dialog
    void Command9_Click();          // the preview button and menu item
    void Picture1_Click();          // the background colour swatch: choose a colour
    void Menu_Help_Open_Click();    // Help > open help: help.html in the browser
    void Menu_Help_Ver_Click();     // Help > version: the about dialog

    // Opens target in a new browser window and watches it through mIE.
    void openInBrowser(const std::string& target);

    std::unique_ptr<Ui::Form1> m_ui;
    Dialogs& m_dialogs;
    Browser& m_browser;
    FileSystem& m_fs;
    AppFolders m_folders;
    StyleLibrary m_library;
    BreadcrumbStyle m_style;
    bool m_styleLoaded = false;
    bool m_showingStyle = false; // controls are being filled from the style, not edited
    std::optional<int> m_mIE;

    // The control arrays keep the names the window was designed with.
    std::array<QLineEdit*, kRowCount> m_Text1{};      // each row's text box
    std::array<QLabel*, kRowCount> m_Label5{};        // each row's image file
    std::array<QPushButton*, kRowCount> m_Command3{}; // each row's image button
    std::array<QPushButton*, kRowCount> m_Command4{}; // each row's text button
    std::array<QLabel*, 7> m_Label2{};                // the heading of each connector row
    std::array<QLabel*, 7> m_Label4{};                // the "絵" caption of each connector row
    std::array<QLabel*, 17> m_Label3{}; // the other captions ("字", frame headings); no element 7
    QButtonGroup* m_tableAlignGroup = nullptr;
    QButtonGroup* m_cellVAlignGroup = nullptr;
};

} // namespace solvina
