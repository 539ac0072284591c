// What the form tests share: finding controls by their design names.
#pragma once

#include <QTest>
#include <QWidget>

namespace parlowen::testing {

// The window's control of that name; the test fails when there is none.
template <class T> T* child(QWidget& window, const char* name)
{
    auto* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

} // namespace parlowen::testing
