#include "analyzer/engine/listing_print.h"

#include "analyzer/engine/run_services.h"
#include "analyzer/engine/run_state.h"
#include "platform/linestream.h"

namespace vork {

namespace {
constexpr int LargestFontSize = 27;
}

std::string PadLeft(const std::string& text, int width)
{
    if (static_cast<int>(text.size()) >= width)
        return text;
    return std::string(static_cast<std::size_t>(width) - text.size(), ' ') + text;
}

const std::string& ListingReferenceLine()
{
    static const std::string line(132, '*');
    return line;
}

std::vector<std::string> PageHeaderLines(const std::string& ncFileName, const std::string& stamp, int page,
                                         const std::string& machineFileName, bool metric)
{
    return {
        ListingReferenceLine(),
        "File    : " + PadLeft(ncFileName, 15) + PadLeft(stamp, 54) + PadLeft("Page", 38) +
            PadLeft(std::to_string(page), 3),
        "Machine : " + PadLeft(machineFileName, 15),
        PadLeft("Current  Current   Block    Total", 131),
        "      Machine Control Data" + std::string(29, ' ') + "  Mode        -X-        -Y-        -Z-      RPM      " +
            (metric ? "MPM" : "IPM") + "     Time     Time",
        ListingReferenceLine(),
        " ",
    };
}

int FitFontSize(const std::function<double(int)>& widthAt, double printableWidth)
{
    for (int size = LargestFontSize; size >= 1; --size)
        if (widthAt(size) < printableWidth)
            return size;
    return 1;
}

ListingPager::ListingPager(PrintSurface& surface, PageMetrics metrics,
                           std::function<std::vector<std::string>(int)> header)
    : m_surface(surface), m_metrics(metrics), m_header(std::move(header))
{
}

void ListingPager::printHeader()
{
    for (const std::string& text : m_header(m_page)) {
        m_surface.drawLine(m_y, text);
        m_y += m_metrics.lineHeight;
    }
    ++m_page;
}

void ListingPager::start()
{
    m_y = 0;
    m_page = 1;
    printHeader();
}

void ListingPager::line(const std::string& text)
{
    if (m_y + m_metrics.lineHeight > m_metrics.pageHeight) {
        m_y = 0;
        m_surface.newPage();
        printHeader();
    }
    m_surface.drawLine(m_y, text);
    m_y += m_metrics.lineHeight;
}

int PredictPageCount(int lineCount, PageMetrics metrics)
{
    class Counter : public PrintSurface {
    public:
        void newPage() override {}
        void drawLine(double, const std::string&) override {}
    } counter;
    ListingPager pager(counter, metrics, [](int) { return std::vector<std::string>(7); });
    pager.start();
    for (int i = 0; i < lineCount; ++i)
        pager.line({});
    return pager.pages();
}

bool PrintDataFile(TRunState& s, DataListing& listing, const ListingPrintJob& job, PrintSurface& surface,
                   PageMetrics metrics, int* pages)
{
    listing.WriteTapeSummary();
    platform::LineReader reader;
    if (s.DataFileName.empty() || !reader.open(s.DataFileName))
        return false;
    ListingPager pager(surface, metrics, [&](int page) {
        return PageHeaderLines(s.NCFileName, job.stamp, page, job.machineFileName, s.Metric);
    });
    pager.start();
    std::string text;
    while (reader.readLine(text))
        pager.line(text);
    reader.close();
    if (pages)
        *pages = pager.pages();
    s.DataFileOpen = s.DataFile.openAppend(s.DataFileName);
    return true;
}

} // namespace vork
