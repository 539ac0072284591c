// A folder box that raises its change and click handling the way the real combo box does,
// re-entrantly, so the history routines can be tested without a window.
#pragma once

#include "main_window/folder_box.h"

#include <functional>
#include <vector>

namespace parlowen::testing {

class FakeFolderBox final : public FolderBox
{
public:
    std::function<void()> onChange;
    std::function<void()> onClick;
    std::vector<std::string> entries;

    std::string text() const override { return m_text; }
    void clearList() override
    {
        entries.clear();
        if (m_selected != -1) {
            m_selected = -1;
            raise(onClick);
        }
        setText("");
    }
    void addEntry(const std::string& entry) override { entries.push_back(entry); }
    int count() const override { return static_cast<int>(entries.size()); }
    void select(int position) override
    {
        if (position == m_selected)
            return;
        m_selected = position;
        raise(onClick);
        setText(position < 0 ? std::string() : entries.at(static_cast<std::size_t>(position)));
    }
    int selectedPosition() const override { return m_selected; }

    // What typing or a program setting the text does.
    void setText(const std::string& text)
    {
        if (text == m_text)
            return;
        m_text = text;
        raise(onChange);
    }

    // Types the text one character at a time after the current text.
    void type(const std::string& text)
    {
        for (char c : text)
            setText(m_text + c);
    }

private:
    static void raise(const std::function<void()>& handler)
    {
        if (handler)
            handler();
    }
    std::string m_text;
    int m_selected = -1;
};

} // namespace parlowen::testing
