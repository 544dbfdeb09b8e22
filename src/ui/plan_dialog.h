// The read-only dialog "サイトを確認": the plan of a run as a tree (title, path, level, mark),
// its failures and its counts.
#pragma once

#include "apply/site_plan.h"

#include <QDialog>

namespace solvina {

class PlanDialog : public QDialog {
    Q_OBJECT
public:
    PlanDialog(const SitePlan& plan, QWidget* parent = nullptr);
};

} // namespace solvina
