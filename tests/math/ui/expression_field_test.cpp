#include "math/ui/expression_field.h"

#include "support/scripted_prompter.h"

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

using namespace vork;

TEST(ExpressionFieldTest, GoodTextIsRewrittenWithTheValue)
{
    QLineEdit edit;
    edit.setText("2pi/4");
    EXPECT_DOUBLE_EQ(evalLineEdit(&edit), Pi / 2);
    EXPECT_EQ(edit.text(), "1.57080");
}

TEST(ExpressionFieldTest, ErrorIsShownAndTheFieldGetsTheFocusBack)
{
    QWidget window;
    auto* other = new QLineEdit(&window);
    auto* edit = new QLineEdit(&window);
    other->move(0, 30);
    window.show();
    QApplication::setActiveWindow(&window);
    other->setFocus();
    edit->setText("(2+3");

    QString shown;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(w); box && box->isVisible()) {
                shown = box->text();
                box->accept();
            }
        }
    });
    EXPECT_EQ(evalLineEdit(edit), 0.0);
    EXPECT_EQ(shown, "Error in Expression      \n\nIllegal or missing parenthese\n\n(2+3 >>");
    EXPECT_EQ(edit->text(), "(2+3");
    EXPECT_EQ(window.focusWidget(), edit);
}

TEST(ExpressionFieldTest, EntryWorksWithAScriptedPrompter)
{
    QLineEdit edit;
    edit.setText("%25.4 x");
    LineEditEntry entry(&edit);
    testsupport::ScriptedPrompter prompter;
    EXPECT_EQ(EvalEditExpression(entry, prompter, WorkspaceExpressions()), 0.0);
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0].text, "Error in Expression      \n\nIllegal function\n\n%25.4  >>X");
}
