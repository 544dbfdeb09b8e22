// PlanDialog: the plan's pages as a tree model under their parents.
#include "plan_dialog.h"

#include "window_look.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTreeView>
#include <QVBoxLayout>

namespace solvina {

namespace {

QStandardItem* readOnlyItem(const QString& text) {
    auto* item = new QStandardItem(text);
    item->setEditable(false);
    return item;
}

} // namespace

PlanDialog::PlanDialog(const SitePlan& plan, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("サイトを確認"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    applyWindowLook(this);
    resize(640, 480);

    auto* model = new QStandardItemModel(this);
    model->setHorizontalHeaderLabels({QStringLiteral("タイトル"), QStringLiteral("パス"),
                                      QStringLiteral("階層"), QStringLiteral("状態")});
    // A page's parent comes before it in the plan.
    std::vector<QStandardItem*> rowOf(plan.pages.size(), nullptr);
    for (std::size_t i = 0; i < plan.pages.size(); ++i) {
        const PlannedPage& page = plan.pages[i];
        QList<QStandardItem*> row{readOnlyItem(QString::fromStdString(shownTitle(page))),
                                  readOnlyItem(QString::fromStdString(pathFromTop(plan, page))),
                                  readOnlyItem(QString::number(page.level)),
                                  readOnlyItem(QString::fromUtf8(pageMark(page)))};
        if (page.failure >= 0)
            for (QStandardItem* item : row)
                item->setToolTip(QString::fromStdString(plan.failures[page.failure]));
        QStandardItem* parentRow = page.parent >= 0 ? rowOf[page.parent] : nullptr;
        (parentRow ? parentRow : model->invisibleRootItem())->appendRow(row);
        rowOf[i] = row.front();
    }

    auto* tree = new QTreeView(this);
    tree->setObjectName(QStringLiteral("PlanTree"));
    tree->setModel(model);
    tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tree->expandAll();
    tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);

    auto* failures = new QListWidget(this);
    failures->setObjectName(QStringLiteral("PlanFailures"));
    for (const std::string& failure : plan.failures)
        failures->addItem(QString::fromStdString(failure));
    failures->setVisible(!plan.failures.empty());
    failures->setMaximumHeight(100);

    auto* counts = new QLabel(QString::fromStdString(countsText(countPlan(plan))), this);
    counts->setObjectName(QStringLiteral("PlanCounts"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tree, 1);
    layout->addWidget(failures);
    layout->addWidget(counts);
    layout->addWidget(close, 0, Qt::AlignRight);
}

} // namespace solvina
