// The comparison as text records.
#include "compare/report.h"

#include "compare/last_modified.h"

namespace parlowen {
namespace {

void writeRecord(std::ostream& out, std::initializer_list<std::string> fields)
{
    bool first = true;
    for (const auto& field : fields) {
        if (!first)
            out << '\t';
        out << escapeField(field);
        first = false;
    }
    out << '\n';
}

void writeRows(std::ostream& out, const char* side, const std::vector<ResultRow>& rows)
{
    for (const auto& row : rows) {
        writeRecord(out, {side, statusText(row.status), sizeText(row),
                          row.hasModified ? LastModified::timeText(row.modified) : "",
                          std::to_string(static_cast<int>(row.icon)), row.relativeName});
    }
}

} // namespace

std::string escapeField(const std::string& field)
{
    std::string escaped;
    escaped.reserve(field.size());
    for (char c : field) {
        switch (c) {
        case '\\': escaped += "\\\\"; break;
        case '\t': escaped += "\\t"; break;
        case '\r': escaped += "\\r"; break;
        case '\n': escaped += "\\n"; break;
        default: escaped += c;
        }
    }
    return escaped;
}

void writeReport(std::ostream& out, const Comparison& comparison)
{
    writeRows(out, "L", comparison.left);
    writeRows(out, "R", comparison.right);
    for (const auto& op : comparison.plan) {
        writeRecord(out, {"OP", op.OpAction, op.OpSource, op.OpDestination, op.OpSourcePath,
                          op.OpTargetPath, op.OpReplacedPath});
    }
}

} // namespace parlowen
