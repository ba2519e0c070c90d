#pragma once
// The modeless Find and Replace boxes of the editor: the text to find, whole word and
// match case, the direction (Find only) and the replacement (Replace only).
#include <QDialog>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFindDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFindDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    bool matchCase() const;
    bool wholeWord() const;
    bool searchUp() const;

    QLineEdit* findEdit() const { return m_find; }
    QCheckBox* matchCaseBox() const { return m_case; }
    QCheckBox* wholeWordBox() const { return m_word; }
    QRadioButton* upButton() const { return m_up; }
    QPushButton* findNextButton() const { return m_next; }

signals:
    void findNext();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_find;
    QCheckBox* m_word;
    QCheckBox* m_case;
    QRadioButton* m_up;
    QRadioButton* m_down;
    QPushButton* m_next;
};

class TReplaceDialog : public QDialog {
    Q_OBJECT
public:
    explicit TReplaceDialog(QWidget* parent = nullptr);

    QString findText() const;
    void setFindText(const QString& text);
    QString replaceText() const;
    bool matchCase() const;
    bool wholeWord() const;

    QLineEdit* findEdit() const { return m_find; }
    QLineEdit* replaceEdit() const { return m_replace; }
    QCheckBox* matchCaseBox() const { return m_case; }
    QCheckBox* wholeWordBox() const { return m_word; }
    QPushButton* findNextButton() const { return m_next; }
    QPushButton* replaceButton() const { return m_replaceOne; }
    QPushButton* replaceAllButton() const { return m_replaceAll; }

signals:
    void findNext();
    // all: Replace All.
    void replace(bool all);

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* m_find;
    QLineEdit* m_replace;
    QCheckBox* m_word;
    QCheckBox* m_case;
    QPushButton* m_next;
    QPushButton* m_replaceOne;
    QPushButton* m_replaceAll;
};
