// Drives windows in tests: finds controls by name, clicks and types into them, and deals with
// the next modal dialog a test opens through exec().
#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace solvina::test_support {

// A missing control stops the test program at once, naming it.
template <typename T = QWidget> T* control(QObject* window, const char* name) {
    T* found = window->findChild<T*>(QString::fromUtf8(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

inline void click(QObject* window, const char* name) {
    QTest::mouseClick(control(window, name), Qt::LeftButton);
}

// Replaces the text of a line edit key by key, as a user would.
inline void retype(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Once a modal dialog is up, calls inspect with it and then rejects it unless inspect closed it.
// Gives up after a few seconds of waiting, so a dialog that never opens leaves no timer behind.
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
        if (guard && guard->isVisible()) {
            if (auto* dialog = qobject_cast<QDialog*>(guard.data()))
                dialog->reject();
            else
                guard->close();
        }
    });
}

} // namespace solvina::test_support
