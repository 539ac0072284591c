// parlowen-compare LEFT RIGHT: the window's comparison without a window, printed as records.
#include "compare/comparison.h"
#include "compare/report.h"
#include "main_window/probes/path_probes.h"

#include <clocale>
#include <iostream>

namespace {

class StderrMessages final : public parlowen::Messages
{
public:
    void show(const std::string& title, const std::string& text) override
    {
        std::cerr << title << ": " << text << '\n';
    }
};

} // namespace

int main(int argc, char* argv[])
{
    std::setlocale(LC_ALL, ""); // the same date and time texts as the window
    std::ios::sync_with_stdio(false);
    if (argc != 3) {
        std::cerr << "usage: parlowen-compare LEFT RIGHT\n";
        return 2;
    }
    const std::string left = argv[1];
    const std::string right = argv[2];
    StderrMessages messages;
    // Both are always probed, as the window does.
    const bool leftOk = parlowen::OldMain::IsFolder(left);
    const bool rightOk = parlowen::OldMain::IsFolder(right);
    if (!leftOk || !rightOk) {
        messages.show("Error", parlowen::kInvalidFolders);
        return 2;
    }
    const auto comparison = parlowen::compareFolders(left, right, messages, {});
    parlowen::writeReport(std::cout, comparison);
    std::cout.flush();
    return comparison.plan.empty() ? 0 : 1;
}
