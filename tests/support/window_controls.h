// The main window's controls as tests reach them: by their designed object names (the table
// in ui/README.md), and used as the user does, by a click on a button or a menu command.
#pragma once

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

#include <gtest/gtest.h>

namespace orlomat::test {

// A control of the window's form. The dialogs reuse some names ("Label1"): they are not searched.
template <class T = QWidget> T* Control(const QMainWindow& window, const char* name) {
    T* found = window.centralWidget()->findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) ADD_FAILURE() << "no control named " << name;
    return found;
}

// A control of a dialog (or any widget) by its object name.
template <class T = QWidget> T* Named(const QWidget& parent, const char* name) {
    T* found = parent.findChild<T*>(QString::fromLatin1(name));
    if (found == nullptr) ADD_FAILURE() << "no control named " << name;
    return found;
}

inline QLineEdit* Edit(const QMainWindow& window, const char* name) {
    return Control<QLineEdit>(window, name);
}
inline QPushButton* Button(const QMainWindow& window, const char* name) {
    return Control<QPushButton>(window, name);
}
inline QLabel* Label(const QMainWindow& window, const char* name) {
    return Control<QLabel>(window, name);
}
inline QGroupBox* Group(const QMainWindow& window, const char* name) {
    return Control<QGroupBox>(window, name);
}

// A menu, or a command of the menu bar.
inline QMenu* Menu(const QMainWindow& window, const char* name) {
    auto* found = window.menuBar()->findChild<QMenu*>(QString::fromLatin1(name));
    if (found == nullptr) ADD_FAILURE() << "no menu named " << name;
    return found;
}
inline QAction* Action(const QMainWindow& window, const char* name) {
    auto* found = window.menuBar()->findChild<QAction*>(QString::fromLatin1(name));
    if (found == nullptr) ADD_FAILURE() << "no menu command named " << name;
    return found;
}

// A click, and the download it may have started taken to its end (the main window's
// downloads run on their own thread).
inline void Click(const QMainWindow& window, const char* name) {
    if (QPushButton* b = Button(window, name)) b->click();
    if (window.metaObject()->indexOfMethod("waitForDownload()") >= 0)
        QMetaObject::invokeMethod(const_cast<QMainWindow*>(&window), "waitForDownload");
}
inline void Trigger(const QMainWindow& window, const char* name) {
    if (QAction* a = Action(window, name)) a->trigger();
}

} // namespace orlomat::test
