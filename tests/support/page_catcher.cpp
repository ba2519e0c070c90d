#include "support/page_catcher.h"

#include <QDesktopServices>

namespace testsupport {

PageCatcher::PageCatcher() { QDesktopServices::setUrlHandler("file", this, "open"); }
PageCatcher::~PageCatcher() { QDesktopServices::unsetUrlHandler("file"); }

void PageCatcher::open(const QUrl& url)
{
    opened << url.fileName();
    paths << url.toLocalFile();
}

} // namespace testsupport
