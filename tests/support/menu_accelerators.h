#pragma once
// The accelerator check of a program's menus: no two entries of one menu (or of the menu
// bar) share the letter after their "&".
#include <QAction>
#include <QList>
#include <QMenu>
#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

// The letter after the single "&" of a caption, upper-cased; none for "&&" or no "&".
inline QChar acceleratorOf(const QString& text)
{
    for (int at = text.indexOf('&'); at >= 0 && at + 1 < text.size(); at = text.indexOf('&', at + 2)) {
        if (text.at(at + 1) != '&')
            return text.at(at + 1).toUpper();
    }
    return {};
}

struct AcceleratorRules {
    QRegularExpression skip;                           // entries left out (numbered recent files)
    std::vector<std::pair<QString, QString>> allowed;  // pairs of captions that may share a letter
};

// "A and B" for each two entries of one menu that share a letter, through every submenu.
inline std::vector<std::string> acceleratorClashes(const QList<QAction*>& entries, const AcceleratorRules& rules = {})
{
    std::vector<std::string> clashes;
    std::map<QChar, QString> taken;
    const auto allowed = [&rules](const QString& a, const QString& b) {
        return std::any_of(rules.allowed.begin(), rules.allowed.end(), [&](const auto& pair) {
            return (pair.first == a && pair.second == b) || (pair.first == b && pair.second == a);
        });
    };
    for (QAction* action : entries) {
        if (action->menu()) {
            const std::vector<std::string> inner = acceleratorClashes(action->menu()->actions(), rules);
            clashes.insert(clashes.end(), inner.begin(), inner.end());
        }
        const QChar key = acceleratorOf(action->text());
        if (key.isNull() || (rules.skip.pattern().size() && rules.skip.match(action->text()).hasMatch()))
            continue;
        const auto [it, fresh] = taken.emplace(key, action->text());
        if (!fresh && !allowed(it->second, action->text()))
            clashes.push_back(it->second.toStdString() + " and " + action->text().toStdString());
    }
    return clashes;
}

} // namespace testsupport
