// Deals with the next modal dialog a test opens through exec(): looks at it, then closes it.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace solvina::testing {

// Once a modal dialog is up, calls inspect with it and then rejects it. Gives up after a few
// seconds of waiting, so a dialog that never opens leaves no timer behind.
inline void whenModalOpens(std::function<void(QWidget*)> inspect, int attemptsLeft = 200) {
    QTimer::singleShot(10, [inspect = std::move(inspect), attemptsLeft] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal) {
            if (attemptsLeft > 0)
                whenModalOpens(inspect, attemptsLeft - 1);
            return;
        }
        QPointer<QWidget> guard(modal);
        if (inspect)
            inspect(modal);
        if (guard) {
            if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                dialog->reject();
            else
                guard->close();
        }
    });
}

} // namespace solvina::testing
