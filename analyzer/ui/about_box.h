#pragma once
// "About Vork Analyzer": the product name and version; also the start-up splash.
#include <QDialog>

class QLabel;

namespace vork {

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* m_version;
};

} // namespace vork
