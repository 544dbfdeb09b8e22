// MainWindow: binds the window's controls to the one BreadcrumbStyle and runs the commands.
#include "main_window.h"

#include "about_dialog.h"
#include "apply/apply_run.h"
#include "apply_dialog.h"
#include "color_swatch.h"
#include "fitted_text.h"
#include "image_detail_dialog.h"
#include "platform/app_paths.h"
#include "platform/messages.h"
#include "program_icon.h"
#include "render/preview_page.h"
#include "style/style_library_paths.h"
#include "text_detail_dialog.h"
#include "ui_main_window.h"
#include "window_look.h"

#include <QAction>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

namespace solvina {

namespace {

constexpr int kClientWidth = 584;
constexpr int kClientHeight = 570;

QString qt(const std::string& text) {
    return QString::fromStdString(text);
}

template <typename T> T* child(QWidget* parent, const QString& name) {
    T* found = parent->findChild<T*>(name);
    Q_ASSERT(found);
    return found;
}

} // namespace

MainWindow::MainWindow(Dialogs& dialogs, Browser& browser, FileSystem& fs,
                       const std::string& applicationFolder, QWidget* parent)
    : MainWindow(dialogs, browser, fs, AppFolders::beside(applicationFolder), parent) {}

MainWindow::MainWindow(Dialogs& dialogs, Browser& browser, FileSystem& fs,
                       const AppFolders& folders, QWidget* parent)
    : QMainWindow(parent), m_ui(std::make_unique<Ui::Form1>()), m_dialogs(dialogs),
      m_browser(browser), m_fs(fs), m_folders(folders), m_library(fs, dialogs, folders.library),
      m_style(programStartStyle()) {
    m_ui->setupUi(this);
    collectControlGroups();
    applyLook();
    connectControls();

    m_ui->centralwidget->setFixedSize(kClientWidth, kClientHeight);
    setFixedSize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());

    showStyle();
    Quibrel_Load();
}

MainWindow::~MainWindow() = default;

void MainWindow::collectControlGroups() {
    QWidget* root = this;
    for (int i = 0; i < kRowCount; ++i) {
        const QString n = QString::number(i);
        m_Text1[i] = child<QLineEdit>(root, QStringLiteral("Text1_") + n);
        m_Label5[i] = child<QLabel>(root, QStringLiteral("Label5_") + n);
        m_Command3[i] = child<QPushButton>(root, QStringLiteral("Command3_") + n);
        m_Command4[i] = child<QPushButton>(root, QStringLiteral("Command4_") + n);
    }
    for (int i = 0; i < 7; ++i) {
        const QString n = QString::number(i);
        m_Label2[i] = child<QLabel>(root, QStringLiteral("Label2_") + n);
        m_Label4[i] = child<QLabel>(root, QStringLiteral("Label4_") + n);
    }
    for (int i = 0; i <= 16; ++i) {
        if (i != 7)
            m_Label3[i] = child<QLabel>(root, QStringLiteral("Label3_") + QString::number(i));
    }

    // The six option buttons form one array, in two exclusive groups; a button's index is the
    // value it stands for.
    m_tableAlignGroup = new QButtonGroup(this);
    m_cellVAlignGroup = new QButtonGroup(this);
    for (int i = 0; i < 6; ++i) {
        auto* option = child<QRadioButton>(root, QStringLiteral("Option2_") + QString::number(i));
        (i < 3 ? m_tableAlignGroup : m_cellVAlignGroup)->addButton(option, i);
    }

    // The separators of the style menu keep the names the menu was designed with.
    int separatorNumber = 0;
    for (QAction* action : m_ui->Menu_Style_Main->actions()) {
        if (action->isSeparator())
            action->setObjectName(separatorNumber++ == 0 ? QStringLiteral("BAR4")
                                                         : QStringLiteral("BAR3"));
    }
}

void MainWindow::applyLook() {
    applyWindowLook(this);
    setWindowIcon(programIcon());
    const QFont heading = interfaceFont(12);
    const QFont normal = interfaceFont();
    m_ui->Label1->setFont(heading);
    m_ui->Combo1->setFont(heading);
    // A frame's font is its caption's; the controls inside keep the normal size.
    for (QWidget* frame :
         {static_cast<QWidget*>(m_ui->Frame1), static_cast<QWidget*>(m_ui->Frame2)}) {
        frame->setFont(heading);
        keepFrameInsidePlain(frame);
        for (QWidget* inside : frame->findChildren<QWidget*>())
            inside->setFont(normal);
    }
    for (QLabel* caption : m_Label2)
        makeHeading(caption);
    makeHeading(m_Label3[8]);
    makeHeading(m_Label3[12]);
    for (QLabel* label : m_Label5)
        label->setTextFormat(Qt::PlainText);
    m_ui->Label6->setTextFormat(Qt::PlainText);
    m_ui->Text2->setAttribute(Qt::WA_InputMethodEnabled, false);
    m_ui->Text3->setAttribute(Qt::WA_InputMethodEnabled, false);
}

void MainWindow::connectControls() {
    connect(m_ui->Combo1, &QComboBox::activated, this, &MainWindow::Combo1_Click);
    connect(m_ui->Command1, &QPushButton::clicked, this, &MainWindow::Command1_Click);
    connect(m_ui->Command2, &QPushButton::clicked, this, &MainWindow::Command2_Click);
    connect(m_ui->Command5, &QPushButton::clicked, this, &MainWindow::Command5_Click);
    connect(m_ui->Command6, &QPushButton::clicked, this, &MainWindow::Command6_Click);
    connect(m_ui->Command7, &QPushButton::clicked, this, &MainWindow::Command7_Click);
    connect(m_ui->Command8, &QPushButton::clicked, this, &QWidget::close);
    connect(m_ui->Command9, &QPushButton::clicked, this, &MainWindow::Command9_Click);
    connect(m_ui->Picture1, &ColorSwatch::clicked, this, &MainWindow::Picture1_Click);
    for (int i = 0; i < kRowCount; ++i) {
        connect(m_Command3[i], &QPushButton::clicked, this, [this, i] { Command3_Click(i); });
        connect(m_Command4[i], &QPushButton::clicked, this, [this, i] { Command4_Click(i); });
        connect(m_Text1[i], &QLineEdit::textChanged, this, [this, i](const QString& text) {
            if (!m_showingStyle)
                m_style.rows[i].text = text.toStdString();
        });
    }
    connect(m_ui->Text2, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showingStyle)
            m_style.borderWidth = text.toStdString();
    });
    connect(m_ui->Text3, &QLineEdit::textChanged, this, [this](const QString& text) {
        if (!m_showingStyle)
            m_style.height = text.toStdString();
    });
    connect(m_tableAlignGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && !m_showingStyle)
            m_style.tableAlign = id;
    });
    connect(m_cellVAlignGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked && !m_showingStyle)
            m_style.cellVAlign = id;
    });

    connect(m_ui->Menu_Style_New, &QAction::triggered, this, &MainWindow::Command1_Click);
    // The save item does what the save button does, as its caption promises.
    connect(m_ui->Menu_Style_Save, &QAction::triggered, this, &MainWindow::Command5_Click);
    connect(m_ui->Menu_Style_Delete, &QAction::triggered, this, &MainWindow::Command2_Click);
    connect(m_ui->Menu_Style_Pre, &QAction::triggered, this, &MainWindow::Command9_Click);
    connect(m_ui->Menu_Style_Run, &QAction::triggered, this, &MainWindow::Command7_Click);
    connect(m_ui->Menu_Style_End, &QAction::triggered, this, &QWidget::close);
    connect(m_ui->Menu_Help_Open, &QAction::triggered, this, &MainWindow::Menu_Help_Open_Click);
    connect(m_ui->Menu_Help_Ver, &QAction::triggered, this, &MainWindow::Menu_Help_Ver_Click);
}

void MainWindow::Quibrel_Load() {
    const std::vector<std::string> names = m_library.Quibrel_Load();
    m_ui->Combo1->clear();
    for (const std::string& name : names)
        m_ui->Combo1->addItem(qt(name));
    m_ui->Combo1->setCurrentIndex(-1);
    setStyleLoaded(false);
}

void MainWindow::setStyleLoaded(bool loaded) {
    m_styleLoaded = loaded;
    m_ui->Frame1->setVisible(loaded);
    m_ui->Frame2->setVisible(loaded);
    for (QPushButton* command : {m_ui->Command2, m_ui->Command5, m_ui->Command7, m_ui->Command9})
        command->setEnabled(loaded);
    for (QAction* item : {m_ui->Menu_Style_Save, m_ui->Menu_Style_Delete, m_ui->Menu_Style_Pre,
                          m_ui->Menu_Style_Run})
        item->setEnabled(loaded);
}

void MainWindow::showStyle() {
    m_showingStyle = true;
    for (int i = 0; i < kRowCount; ++i) {
        m_Text1[i]->setText(qt(m_style.rows[i].text));
        showImageFile(i);
    }
    showBackgroundColor();
    m_ui->Text2->setText(qt(m_style.borderWidth));
    m_ui->Text3->setText(qt(m_style.height));
    for (int value : {m_style.tableAlign, m_style.cellVAlign}) {
        if (QAbstractButton* option = m_tableAlignGroup->button(value))
            option->setChecked(true);
        else if (QAbstractButton* option = m_cellVAlignGroup->button(value))
            option->setChecked(true);
    }
    m_showingStyle = false;
}

void MainWindow::showImageFile(int row) {
    // A long path keeps its end in view: the file name is what tells the rows apart.
    showElided(m_Label5[row], qt(m_style.rows[row].imageFile), Qt::ElideLeft);
}

void MainWindow::showBackgroundColor() {
    m_ui->Label6->setText(qt(m_style.backgroundColor));
    m_ui->Picture1->showColorText(m_style.backgroundColor);
}

void MainWindow::Combo1_Click(int index) {
    if (index < 0)
        return;
    if (m_library.switchPrompt(m_styleLoaded, m_style) == SwitchDecision::Stay) {
        // The list goes back to the style the editor still holds.
        m_ui->Combo1->setCurrentIndex(m_ui->Combo1->findText(
            qt(m_style.styleName), Qt::MatchExactly | Qt::MatchCaseSensitive));
        return;
    }
    setStyleLoaded(false);
    const bool loaded = m_library.load(m_ui->Combo1->itemText(index).toStdString(), m_style);
    showStyle();
    setStyleLoaded(loaded);
}

void MainWindow::Command1_Click() {
    // The new style takes the editor's place, so its changes are asked about first.
    if (m_library.switchPrompt(m_styleLoaded, m_style) == SwitchDecision::Stay)
        return;
    const std::optional<std::string> created = m_library.create();
    if (!created)
        return;
    Quibrel_Load();
    const int index =
        m_ui->Combo1->findText(qt(*created), Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0)
        return;
    m_ui->Combo1->setCurrentIndex(index);
    Combo1_Click(index);
}

void MainWindow::Command2_Click() {
    std::optional<std::string> selected;
    if (m_ui->Combo1->currentIndex() >= 0)
        selected = m_ui->Combo1->currentText().toStdString();
    if (m_library.remove(selected))
        Quibrel_Load();
}

void MainWindow::Command5_Click() {
    if (!m_styleLoaded)
        return;
    m_library.save(m_style);
    // The save turns picked image paths into bare names.
    showStyle();
}

void MainWindow::Command3_Click(int index) {
    m_style.currentRow = static_cast<std::int16_t>(index);
    ImageDetailDialog dialog(m_style, m_library.libraryFolder(), m_dialogs);
    if (dialog.exec() == QDialog::Accepted)
        showImageFile(index);
}

void MainWindow::Command4_Click(int index) {
    m_style.currentRow = static_cast<std::int16_t>(index);
    TextDetailDialog dialog(m_style, m_dialogs);
    dialog.exec();
}

void MainWindow::Picture1_Click() {
    const std::optional<std::uint32_t> chosen =
        m_dialogs.chooseColor(swatchColor(m_style.backgroundColor));
    if (!chosen)
        return;
    m_style.backgroundColor = colorTextFromPicker(*chosen);
    showBackgroundColor();
}

void MainWindow::Command6_Click() {
    m_style.backgroundColor.clear();
    showBackgroundColor();
}

void MainWindow::Command7_Click() {
    if (!m_styleLoaded)
        return;
    if (firstUnsavedImageRow(m_style)) {
        m_dialogs.messageBox(kUnsavedImageMessage, kDoneTitle, MessageButtons::Ok);
        return;
    }
    ApplyDialog dialog(m_style, styleFolder(m_library.libraryFolder(), m_style.styleName),
                       m_dialogs, m_fs, this);
    dialog.exec();
}

void MainWindow::Command9_Click() {
    if (!m_styleLoaded)
        return;
    const std::string page = m_folders.cache + kPreviewFileName;
    const Status written = writePreviewPage(
        m_fs, page, m_style, styleFolder(m_library.libraryFolder(), m_style.styleName));
    if (!written) {
        showFailure(m_dialogs, written.error());
        return;
    }
    openInBrowser(page);
}

void MainWindow::Menu_Help_Open_Click() {
    openInBrowser(m_folders.data + kHelpFileName);
}

void MainWindow::Menu_Help_Ver_Click() {
    AboutDialog dialog(m_browser, m_dialogs);
    dialog.exec();
}

void MainWindow::openInBrowser(const std::string& target) {
    // The quit handler must know which instance it belongs to; the id is known only after the
    // start, so it is handed over through a shared slot.
    auto instance = std::make_shared<std::optional<int>>();
    QPointer<MainWindow> window(this);
    Result<int> started = m_browser.open(target, [window, instance] {
        if (window && *instance && window->m_mIE == *instance)
            window->m_mIE.reset();
    });
    if (!started) {
        showFailure(m_dialogs, started.error());
        return;
    }
    *instance = *started;
    m_mIE = *started;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (m_library.exitPrompt(m_styleLoaded, m_style) == ExitDecision::StayOpen) {
        event->ignore();
        return;
    }
    event->accept();
}

} // namespace solvina
