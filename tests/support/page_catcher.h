#pragma once
// Takes the pages that help commands open, in place of the browser: QDesktopServices
// hands every file URL to it while it lives.
#include <QObject>
#include <QStringList>
#include <QUrl>

namespace testsupport {

class PageCatcher : public QObject {
    Q_OBJECT
public:
    PageCatcher();
    ~PageCatcher() override;
    // The file names opened, in order ("10017.html").
    QStringList opened;
    // The full paths opened.
    QStringList paths;

public slots:
    void open(const QUrl& url);
};

} // namespace testsupport
