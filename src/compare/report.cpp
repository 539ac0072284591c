// The comparison as text records.
#include "compare/report.h"

#include "compare/last_modified.h"

namespace parlowen {
namespace {

// Collects records and hands them to the stream in large blocks.
class RecordWriter
{
public:
    explicit RecordWriter(std::ostream& out) : m_out(out) { m_buffer.reserve(kBlock + 4096); }
    ~RecordWriter() { flush(); }

    void record(std::initializer_list<std::string_view> fields)
    {
        bool first = true;
        for (const auto field : fields) {
            if (!first)
                m_buffer += '\t';
            appendEscaped(field);
            first = false;
        }
        m_buffer += '\n';
        if (m_buffer.size() >= kBlock)
            flush();
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;

    static bool needsEscape(std::string_view field)
    {
        for (const char c : field) {
            if (c == '\\' || c == '\t' || c == '\r' || c == '\n')
                return true;
        }
        return false;
    }

    void appendEscaped(std::string_view field)
    {
        if (!needsEscape(field)) {
            m_buffer.append(field);
            return;
        }
        m_buffer += escapeField(std::string(field));
    }

    void flush()
    {
        m_out.write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        m_buffer.clear();
    }

    std::ostream& m_out;
    std::string m_buffer;
};

void writeRows(RecordWriter& writer, const char* side, const std::vector<ResultRow>& rows)
{
    for (const auto& row : rows) {
        const std::string time = row.hasModified ? LastModified::timeText(row.modified) : "";
        const char icon[2] = {static_cast<char>('0' + static_cast<int>(row.icon)), '\0'};
        writer.record({side, statusText(row.status), sizeText(row), time, icon, row.relativeName});
    }
}

} // namespace

std::string escapeField(const std::string& field)
{
    std::string escaped;
    escaped.reserve(field.size());
    for (char c : field) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}

void writeReport(std::ostream& out, const Comparison& comparison)
{
    RecordWriter writer(out);
    writeRows(writer, "L", comparison.left);
    writeRows(writer, "R", comparison.right);
    for (const auto& op : comparison.plan) {
        writer.record({"OP", op.OpAction, op.OpSource, op.OpDestination, op.OpSourcePath,
                       op.OpTargetPath, op.OpReplacedPath});
    }
}

} // namespace parlowen
