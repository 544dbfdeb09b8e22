// ApplyDialog: reads its controls into ApplyOptions and drives a run of the engine.
#include "apply_dialog.h"

#include "apply/run_undo.h"
#include "apply/site_plan.h"
#include "apply/top_page_path.h"
#include "fitted_text.h"
#include "plan_dialog.h"
#include "platform/app_paths.h"
#include "platform/messages.h"
#include "platform/stop_signals.h"
#include "render/json_ld.h"
#include "ui_apply_dialog.h"
#include "window_look.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

#include <vector>

namespace solvina {

namespace {

constexpr int kClientWidth = 321;
constexpr int kClientHeight = 675;
constexpr const char* kUndoTitle = "元に戻す";
constexpr const char* kUndoChoosePrompt = "元に戻す実行を選んでください。";
constexpr const char* kUndoConfirmMessage = "選んだ実行を元に戻します。よろしいですか？";
constexpr const char* kTopPageFilter = "HTMLファイル（*.htm *.html）|*.htm;*.html";

const QColor kPanelPink(0xFF, 0xDD, 0xDD);
const QColor kStartShapeYellow(0xFF, 0xFF, 0x00);
const QColor kEraseShapeBlue(0xC0, 0xC0, 0xFF);

// Widths of the lines the progress label has room for: a line beside the close button ends
// before it.
std::vector<int> progressLineWidths(const QLabel* label, const QWidget* closeButton) {
    constexpr int kGap = 4;
    const QRect area = label->geometry();
    const QRect button = closeButton->geometry();
    const QFontMetrics metrics = label->fontMetrics();
    std::vector<int> widths;
    for (int top = 0; top + metrics.height() <= area.height(); top += metrics.lineSpacing()) {
        const QRect line(area.left(), area.top() + top, area.width(), metrics.lineSpacing());
        widths.push_back(line.intersects(button) ? button.left() - area.left() - kGap
                                                 : area.width());
    }
    return widths;
}

void fillBackground(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colour);
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

} // namespace

ApplyDialog::ApplyDialog(const BreadcrumbStyle& style, std::string styleFolder, Dialogs& dialogs,
                         FileSystem& fs, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::Form4>()), m_style(style),
      m_styleFolder(std::move(styleFolder)), m_dialogs(dialogs), m_fs(fs), m_runDialogs(*this) {
    m_ui->setupUi(this);
    setFixedSize(kClientWidth, kClientHeight);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    applyWindowLook(this);
    m_ui->Label2->setFont(interfaceFont(12));
    m_ui->Label4->setFont(interfaceFont(12));
    fillBackground(m_ui->Panel, kPanelPink);
    fillBackground(m_ui->Shape1, kStartShapeYellow);
    fillBackground(m_ui->Shape2, kEraseShapeBlue);
    m_ui->Label3->setTextFormat(Qt::PlainText);
    // Enter in a text box must not press a button: the run starts only from its own buttons,
    // and closing would throw the typed settings away.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    connect(m_ui->Command1, &QPushButton::clicked, this, &ApplyDialog::Command1_Click);
    connect(m_ui->Command2, &QPushButton::clicked, this, &ApplyDialog::Command2_Click);
    connect(m_ui->Command4, &QPushButton::clicked, this, &ApplyDialog::Command4_Click);
    connect(m_ui->Command5, &QPushButton::clicked, this, &ApplyDialog::reject);
    connect(m_ui->Command6, &QPushButton::clicked, this, &ApplyDialog::Command6_Click);
    connect(m_ui->Command7, &QPushButton::clicked, this, &ApplyDialog::Command7_Click);
    connect(m_ui->Check6, &QCheckBox::toggled, m_ui->Text2, &QWidget::setEnabled);
    connect(m_ui->Check8, &QCheckBox::toggled, m_ui->Text3, &QWidget::setEnabled);
    connect(m_ui->Check9, &QCheckBox::toggled, m_ui->Text4, &QWidget::setEnabled);
    m_ui->Command5->setFocus();
}

ApplyDialog::~ApplyDialog() = default;

ApplyOptions ApplyDialog::optionsFromControls() const {
    auto isSet = [](const QCheckBox* box) { return box->checkState() == Qt::Checked; };
    ApplyOptions options;
    options.topPagePath = m_ui->Text1->text().toStdString();
    options.insertAtTop = isSet(m_ui->Check1);
    options.insertAtBottom = isSet(m_ui->Check2);
    options.addRule = isSet(m_ui->Check3);
    options.linkTitles = isSet(m_ui->Check4);
    options.skipTopPage = isSet(m_ui->Check5);
    options.useTopPageTitle = isSet(m_ui->Check6);
    options.topPageTitle = m_ui->Text2->text().toStdString();
    options.linkHeader = isSet(m_ui->Check8);
    options.headerLink = m_ui->Text3->text().toStdString();
    options.linkFooter = isSet(m_ui->Check9);
    options.footerLink = m_ui->Text4->text().toStdString();
    options.eraseAll = isSet(m_ui->Check7);
    options.hierarchy = isSet(m_ui->Check10) ? Hierarchy::Shortest : Hierarchy::Order;
    options.markup = m_ui->Option2->isChecked() ? Markup::Nav : Markup::Table;
    options.jsonLdBase = m_ui->Text5->text().trimmed().toStdString();
    options.maxPages = m_ui->Spin2->value();
    options.maxLevel = m_ui->Spin3->value();
    return options;
}

void ApplyDialog::Command1_Click() {
    const FileChoice choice = m_dialogs.chooseFileToOpen(kTopPageFilter);
    switch (choice.outcome) {
    case FileChoice::Outcome::Chosen:
        m_ui->Text1->setText(QString::fromStdString(choice.path));
        break;
    case FileChoice::Outcome::Cancelled:
        break;
    case FileChoice::Outcome::Failed:
        showFailure(m_dialogs, choice.description);
        break;
    }
}

void ApplyDialog::Command4_Click() {
    run(false);
}

void ApplyDialog::Command2_Click() {
    run(true);
}

namespace {

class QuietReporter : public ApplyReporter {
public:
    void pageEntered(const std::string&) override {}
    void pageFailed(const std::string&) override {}
};

} // namespace

void ApplyDialog::Command6_Click() {
    if (m_running)
        return;
    ApplyOptions options = optionsFromControls();
    options.topPagePath = absoluteTopPage(options.topPagePath);
    if (auto refusal = topPageCheckMessage(m_fs, options.topPagePath)) {
        m_dialogs.messageBox(*refusal, kRefusedTitle, MessageButtons::Ok);
        return;
    }
    setRunning(true);
    QuietReporter quiet;
    ApplyEnvironment environment{m_fs, m_style, m_styleFolder, quiet};
    ApplyRunState state;
    state.reset();
    SitePlan plan;
    {
        HourglassCursor hourglass;
        planApply(options, state, environment, plan, true);
    }
    setRunning(false);
    auto* dialog = new PlanDialog(plan, this);
    dialog->setObjectName(QStringLiteral("PlanDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

void ApplyDialog::Command7_Click() {
    if (m_running)
        return;
    const std::string topPage = absoluteTopPage(m_ui->Text1->text().toStdString());
    if (topPage.empty()) {
        m_dialogs.messageBox(kNoTopPageMessage, kRefusedTitle, MessageButtons::Ok);
        return;
    }
    const std::string undoFolder = runningUndoFolder();
    const std::vector<KeptRun> runs = keptRuns(m_fs, undoFolder, topPage);
    if (runs.empty()) {
        m_dialogs.messageBox(kNoKeptRunMessage, kRefusedTitle, MessageButtons::Ok);
        return;
    }
    std::vector<std::string> items;
    for (const KeptRun& run : runs)
        items.push_back(run.time + "  " + (run.kind == "erase" ? "消去" : "適応") + "  " +
                        std::to_string(run.pages.size()) + " ページ");
    const auto chosen = m_dialogs.chooseItem(kUndoTitle, kUndoChoosePrompt, items);
    if (!chosen || *chosen < 0 || static_cast<std::size_t>(*chosen) >= runs.size())
        return;
    const KeptRun& run = runs[static_cast<std::size_t>(*chosen)];
    if (m_runDialogs.messageBox(kUndoConfirmMessage, kQuestionTitle, MessageButtons::YesNo) !=
        Answer::Yes)
        return;
    setRunning(true);
    const StopSignals stopSignals; // the session ending stops it between two pages
    auto outcome = undoRun(
        m_fs, undoFolder, topPage, run.id, false,
        [&](const std::string& path) {
            m_ui->Label3->setText(QString::fromStdString(kRestoringPrefix + path));
            QCoreApplication::processEvents();
        },
        [&](const std::string& description) { showFailure(m_runDialogs, description); },
        &stopSignals.stopRequested());
    if (stopSignals.stopRequested())
        stopSignals.endAsSignalled();
    m_ui->Label3->clear();
    setRunning(false);
    if (!outcome) {
        showFailure(m_runDialogs, outcome.error());
        return;
    }
    const bool whole = outcome->refused == 0 && outcome->failures == 0;
    m_runDialogs.messageBox(whole ? kUndoDoneMessage : kUndoIncompleteMessage, kDoneTitle,
                            MessageButtons::Ok);
}

void ApplyDialog::run(bool eraseAll) {
    // One traversal at a time over the one run state.
    if (m_running)
        return;
    ApplyOptions options = optionsFromControls();
    // An erase writes no block, so the address it would go into does not matter.
    if (!eraseAll && !options.jsonLdBase.empty()) {
        if (auto wrong = jsonLdBaseError(options.jsonLdBase)) {
            m_dialogs.messageBox(*wrong, kRefusedTitle, MessageButtons::Ok);
            return;
        }
    }
    setRunning(true);
    options.topPagePath = absoluteTopPage(options.topPagePath);
    ApplyEnvironment environment{m_fs, m_style, m_styleFolder, *this};
    environment.undo.folder = runningUndoFolder();
    environment.undo.keep = m_ui->Spin1->value();
    // The session ending (SIGTERM, SIGHUP) or Ctrl-C in the terminal that started the window:
    // the run removes what it wrote before the program ends.
    const StopSignals stopSignals;
    environment.stop = &stopSignals.stopRequested();
    if (eraseAll) {
        m_ui->Check7->setChecked(true);
        (void)startEraseAll(m_runDialogs, options, m_state, environment);
        m_ui->Check7->setChecked(false);
    } else {
        (void)startApply(m_runDialogs, options, m_state, environment);
    }
    // Also when it came while a question was open, or during the renames: the program ends now
    // as it would have then.
    if (stopSignals.stopRequested())
        stopSignals.endAsSignalled();
    m_hourglass.reset();
    m_ui->Progress1->reset();
    m_ui->Label3->clear();
    m_ui->Label3->setToolTip(QString());
    setRunning(false);
}

void ApplyDialog::setRunning(bool running) {
    m_running = running;
    // The panel holds the settings and the start button; its children keep their own states.
    for (QWidget* control :
         {static_cast<QWidget*>(m_ui->Panel), static_cast<QWidget*>(m_ui->Text1),
          static_cast<QWidget*>(m_ui->Command1), static_cast<QWidget*>(m_ui->Command2),
          static_cast<QWidget*>(m_ui->Command5), static_cast<QWidget*>(m_ui->Command6),
          static_cast<QWidget*>(m_ui->Command7), static_cast<QWidget*>(m_ui->Spin1)})
        control->setEnabled(!running);
}

void ApplyDialog::pageWritten(const std::string& path, int written, int planned) {
    m_ui->Progress1->setMaximum(planned);
    m_ui->Progress1->setValue(written);
    pageEntered(path);
}

void ApplyDialog::pageEntered(const std::string& path) {
    if (!m_hourglass)
        m_hourglass.emplace();
    const QString shown = QString::fromStdString(path);
    m_ui->Label3->setText(fittedLines(m_ui->Label3->fontMetrics(),
                                      QString::fromUtf8(kProgressPrefix), shown,
                                      progressLineWidths(m_ui->Label3, m_ui->Command5))
                              .join(QLatin1Char('\n')));
    m_ui->Label3->setToolTip(plainToolTip(shown));
    m_ui->Label3->repaint();
    QCoreApplication::processEvents();
}

void ApplyDialog::pageFailed(const std::string& description) {
    showFailure(m_runDialogs, description);
}

void ApplyDialog::reject() {
    if (m_running)
        return;
    QDialog::reject();
}

void ApplyDialog::closeEvent(QCloseEvent* event) {
    if (m_running) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

Answer ApplyDialog::RunDialogs::messageBox(const std::string& text, const std::string& title,
                                           MessageButtons buttons) {
    const bool hourglass = m_owner.m_hourglass.has_value();
    m_owner.m_hourglass.reset();
    const Answer answer = m_owner.m_dialogs.messageBox(text, title, buttons);
    if (hourglass)
        m_owner.m_hourglass.emplace();
    return answer;
}

std::optional<std::string> ApplyDialog::RunDialogs::inputBox(const std::string& prompt,
                                                             const std::string& title) {
    return m_owner.m_dialogs.inputBox(prompt, title);
}

std::optional<std::uint32_t> ApplyDialog::RunDialogs::chooseColor(std::uint32_t current) {
    return m_owner.m_dialogs.chooseColor(current);
}

FileChoice ApplyDialog::RunDialogs::chooseFileToOpen(const std::string& filter) {
    return m_owner.m_dialogs.chooseFileToOpen(filter);
}

std::optional<int> ApplyDialog::RunDialogs::chooseItem(const std::string& title,
                                                       const std::string& prompt,
                                                       const std::vector<std::string>& items) {
    return m_owner.m_dialogs.chooseItem(title, prompt, items);
}

} // namespace solvina
