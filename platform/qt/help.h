#pragma once
// Help pages: help/<book>/ in the program folder holds one page per help context number
// of a program and the named pages of its Help menu. Each program has a book of its own,
// chosen once at start, because the two programs number their contexts independently.
// Where the pages are not installed, help is simply unavailable: its buttons and menu
// items are disabled. An installed page that cannot be shown (no opener, no browser) is
// reported to the operator, naming the page and what is missing.
#include "platform/host.h"

#include <QString>

#include <string_view>

class QAbstractButton;
class QAction;
class QMenu;

namespace platform {

// The program's own book ("mrw2013", "vork2013"); "" puts the pages in help/ itself.
void setHelpBook(std::string_view book);

// The page of that name in the program's book ("" when it is not installed).
QString helpPage(std::string_view name);
// The page of a help context ("" when there is none).
QString helpTopicPage(int topic);

// Shows the page in the desktop's browser; false, and the operator told why, when nothing
// can show it. An empty page (not installed) does nothing.
bool openHelpPage(const QString& page, Prompter& prompter);

// A help button for one context: it opens the page, and is disabled without it.
void bindHelpButton(QAbstractButton& button, int topic);
// A help menu item that opens a page, disabled without it.
QAction* addHelpItem(QMenu& menu, const QString& text, const QString& page);

// Opens the page of a help context that is known only when asked (a question's own
// topic), or tells the operator why there is none.
void showHelpTopic(int topic, Prompter& prompter);

} // namespace platform
