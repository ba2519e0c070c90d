#pragma once
// The printed data listing: the page header, the font size that fits the widest line,
// and the pages, laid out here and painted by whatever surface the caller gives.
#include <functional>
#include <string>
#include <vector>

namespace vork {

class DataListing;
struct TRunState;

// The text with blanks put in front until it is at least `width` characters long.
std::string PadLeft(const std::string& text, int width);

// The seven lines that head every printed page.
std::vector<std::string> PageHeaderLines(const std::string& ncFileName, const std::string& stamp, int page,
                                         const std::string& machineFileName, bool metric);

// The reference line every size must fit: 132 "*".
const std::string& ListingReferenceLine();
// The largest size below 28 points at which widthAt(size) is narrower than the
// printable width, stepping down from 27; at least 1 point even when none fits.
int FitFontSize(const std::function<double(int points)>& widthAt, double printableWidth);

// Where the pages go: the printer, a PDF, or a test's record.
class PrintSurface {
public:
    virtual ~PrintSurface() = default;
    virtual void newPage() = 0;
    // One line with its top at y (device units from the top of the printable area).
    virtual void drawLine(double y, const std::string& text) = 0;
};

struct PageMetrics {
    double lineHeight = 1;
    double pageHeight = 66; // the printable height
};

// Lays out the lines under page headers; returns the number of pages.
class ListingPager {
public:
    ListingPager(PrintSurface& surface, PageMetrics metrics,
                 std::function<std::vector<std::string>(int page)> header);
    void start();
    void line(const std::string& text);
    int pages() const { return m_page - 1; }

private:
    void printHeader();

    PrintSurface& m_surface;
    PageMetrics m_metrics;
    std::function<std::vector<std::string>(int)> m_header;
    double m_y = 0;
    int m_page = 1;
};

// The pages a listing of lineCount lines takes.
int PredictPageCount(int lineCount, PageMetrics metrics);

// What the print needs besides the surface: the header's texts.
struct ListingPrintJob {
    std::string machineFileName;
    std::string stamp; // DateTimeStamp() at the start of the print
};

// Closes the listing with a Tape Summary, prints it and opens it again for appending, so
// that a run that goes on adds its lines after the summary. False (nothing printed)
// when there is no listing to read. `pages` gets the page count.
bool PrintDataFile(TRunState& state, DataListing& listing, const ListingPrintJob& job, PrintSurface& surface,
                   PageMetrics metrics, int* pages = nullptr);

} // namespace vork
