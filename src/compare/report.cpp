// The comparison as text records.
#include "compare/report.h"

#include "compare/last_modified.h"

#include <exception>
#include <thread>

namespace parlowen {
namespace {

// Collects records and hands them to the stream in large blocks.
class RecordWriter
{
public:
    explicit RecordWriter(std::ostream* out) : m_out(out) { m_buffer.reserve(kBlock + 4096); }
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
        if (m_out && m_buffer.size() >= kBlock)
            flush();
    }
    // Without a stream, everything is kept for take().
    std::string take() { return std::move(m_buffer); }

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
        if (!m_out)
            return;
        m_out->write(m_buffer.data(), static_cast<std::streamsize>(m_buffer.size()));
        m_buffer.clear();
    }

    std::ostream* m_out;
    std::string m_buffer;
};

void writeRows(RecordWriter& writer, const char* side, const ResultRow* begin,
               const ResultRow* end, LastModified::TimeTexts& times)
{
    for (const ResultRow* row = begin; row != end; ++row) {
        std::string_view time;
        if (row->hasModified)
            time = times.text(row->modified); // valid until the next text

        const char icon[2] = {static_cast<char>('0' + static_cast<int>(row->icon)), '\0'};
        writer.record(
            {side, statusText(row->status), sizeText(*row), time, icon, row->relativeName});
    }
}

// Two threads make the records of a side, block by block, and the blocks are written in
// order: twice as fast, and only two blocks are ever held.
void writeSide(std::ostream& out, const char* side, const std::vector<ResultRow>& rows,
               LastModified::TimeTexts& times, LastModified::TimeTexts& helperTimes)
{
    constexpr std::size_t kBlock = 2048;
    const ResultRow* const all = rows.data();
    for (std::size_t start = 0; start < rows.size(); start += 2 * kBlock) {
        const std::size_t middle = std::min(rows.size(), start + kBlock);
        const std::size_t end = std::min(rows.size(), start + 2 * kBlock);
        std::string first;
        std::exception_ptr failure; // thrown on the helper, rethrown here for the caller
        std::jthread helper([&] {
            try {
                RecordWriter kept(nullptr);
                writeRows(kept, side, all + start, all + middle, helperTimes);
                first = kept.take();
            } catch (...) {
                failure = std::current_exception();
            }
        });
        RecordWriter kept(nullptr);
        writeRows(kept, side, all + middle, all + end, times);
        const std::string second = kept.take();
        helper.join();
        if (failure)
            std::rethrow_exception(failure);
        out.write(first.data(), static_cast<std::streamsize>(first.size()));
        out.write(second.data(), static_cast<std::streamsize>(second.size()));
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
    LastModified::TimeTexts times;
    LastModified::TimeTexts helperTimes;
    writeSide(out, "L", comparison.left, times, helperTimes);
    writeSide(out, "R", comparison.right, times, helperTimes);
    RecordWriter writer(&out);
    for (const auto& op : comparison.plan) {
        writer.record({"OP", op.OpAction, op.OpSource, op.OpDestination, op.OpSourcePath,
                       op.OpTargetPath, op.OpReplacedPath});
    }
}

} // namespace parlowen
