#include "analyzer/engine/operations_form.h"

#include "example_operations.h"
#include "support/scripted_prompter.h"

#include <gtest/gtest.h>

using namespace vork;

namespace {

TOperationTable twoOperations()
{
    TOperationTable table;
    table.slot(1) = exampleops::operation(10, 1, 3, "FACE");
    table.slot(2) = exampleops::operation(20, 4, 5, "ROUGH");
    table.slot(2).tooldia = 0.5f;
    table.slot(2).desc[1] = "SECOND LINE";
    table.slot(2).desc[2] = " ";
    return table;
}

TEST(OperationsForm, ANewOperationCopiesTheOneBeforeIntoTheFirstEmptySlot)
{
    TOperationTable table = twoOperations();
    EXPECT_EQ(StartOperationNumberEdit(table, 3), 3);
    TOperationRecord expected = table.slot(2);
    expected.opnum = 30;
    expected.toolnum = 5;
    expected.offsetnum = 5;
    EXPECT_EQ(table.slot(3), expected);
    EXPECT_EQ(StartOperationNumberEdit(table, 2), 2) << "a filled row is edited as it is";

    // Typed two rows below the last: it still follows the last one, with no gap that a
    // save would drop.
    EXPECT_EQ(StartOperationNumberEdit(table, 6), 4);
    EXPECT_EQ(table.slot(4).opnum, 40);
    EXPECT_TRUE(table.slot(6).empty());

    TOperationTable empty;
    EXPECT_EQ(StartOperationNumberEdit(empty, 3), 1);
    EXPECT_EQ(empty.slot(1), OperationTemplate());
}

TEST(OperationsForm, LoadAndStoreMapTheRecord)
{
    TOperationRecord turn = OperationTemplate();
    turn.opnum = 50;
    turn.optype = 0;
    turn.tooldia = 0.0625f;
    turn.spindle = -2;
    turn.feedmode = 2;
    turn.range = 3;
    turn.coolant = 3;
    turn.lcomp = 2;
    turn.tshape = ShapeDiamond;
    turn.p = {55, 5, 0.1f, 0.03125f, 6, 1.25f, 0.5f};
    OperationForm form;
    LoadForm(form, turn);
    EXPECT_EQ(form.toolSize, "0.03125") << "turning shows the radius";
    EXPECT_FALSE(form.rpm);
    EXPECT_FALSE(form.forward);
    EXPECT_FALSE(form.ipm);
    EXPECT_EQ(form.range, 2);
    EXPECT_EQ(form.coolant, 2);
    EXPECT_EQ(form.lcomp, 1);
    EXPECT_EQ(form.orientation, 1);
    EXPECT_EQ(form.p[3], "0.03125");
    TOperationRecord stored = turn;
    EXPECT_EQ(StoreForm(form, stored, nullptr), "");
    EXPECT_EQ(stored, turn);

    // A kind of its own selects no type and is kept.
    TOperationRecord other = turn;
    other.optype = 2;
    LoadForm(form, other);
    EXPECT_EQ(form.optype, -1);
    StoreForm(form, other, nullptr);
    EXPECT_EQ(other.optype, 2);

    // Milling: the shape fields hold diameter, length and corner radius.
    TOperationRecord mill = OperationTemplate();
    mill.opnum = 10;
    mill.tooldia = 0.5f;
    mill.p[0] = 2;
    mill.cornerrad = 0.1f;
    LoadForm(form, mill);
    EXPECT_EQ(form.p[0], "0.50000");
    EXPECT_EQ(form.p[1], "2.00000");
    EXPECT_EQ(form.p[2], "0.10000");
    form.desc[0] = std::string(90, 'D');
    EXPECT_EQ(StoreForm(form, mill, nullptr), "");
    EXPECT_EQ(mill.desc[0], std::string(80, 'D'));
}

TEST(OperationsForm, ABadWholeNumberLeavesTheRecordAndNamesTheField)
{
    const struct {
        std::string OperationForm::*field;
        const char* text;
        const char* name;
    } cases[] = {{&OperationForm::opnum, "abc", "Operation #"},
                 {&OperationForm::opnum, "40000", "Operation #"},
                 {&OperationForm::toolnum, "1.5", "Tool Number"},
                 {&OperationForm::fixoff, "", "Fixture Offset #"}};
    for (const auto& c : cases) {
        TOperationRecord r = exampleops::operation(10, 1, 3, "FACE");
        const TOperationRecord before = r;
        OperationForm form;
        LoadForm(form, r);
        form.desc[0] = "CHANGED";
        form.*c.field = c.text;
        const std::string error = StoreForm(form, r, nullptr);
        EXPECT_EQ(error.rfind(c.name, 0), 0u) << error;
        EXPECT_EQ(r, before) << c.name;
    }
}

TEST(OperationsForm, PageChangesCarryTheToolSize)
{
    // Turning: leaving the shape page makes p4 the radius, the record twice it.
    TOperationRecord r = OperationTemplate();
    r.optype = 0;
    r.opnum = 10;
    r.tshape = ShapeTriangle;
    OperationForm form;
    LoadForm(form, r);
    form.p[3] = "0.03125";
    bool sort = false;
    EXPECT_EQ(ChangePage(form, r, ToolShapePage, DetailsPage, sort, nullptr), "");
    EXPECT_EQ(form.toolSize, "0.03125");
    EXPECT_FLOAT_EQ(r.tooldia, 0.0625f);
    EXPECT_FALSE(sort);

    // Details to shape keeps what was typed on the details page.
    form.toolSize = "0.1";
    form.lcomp = 3;
    EXPECT_EQ(ChangePage(form, r, DetailsPage, ToolShapePage, sort, nullptr), "");
    EXPECT_EQ(form.p[3], "0.10000");
    EXPECT_EQ(form.orientation, 3);
    EXPECT_FLOAT_EQ(r.tooldia, 0.2f);
    EXPECT_FLOAT_EQ(r.lcomp, 4);
    EXPECT_EQ(PreviewLabel(r), "Tool Preview, Op# 10");

    // End mill: the corner radius goes to p3; back to the list sorts.
    TOperationRecord m = OperationTemplate();
    m.opnum = 20;
    LoadForm(form, m);
    form.toolSize = "0.5";
    form.cornerRadius = "0.1";
    EXPECT_EQ(ChangePage(form, m, DetailsPage, ListPage, sort, nullptr), "");
    EXPECT_TRUE(sort);
    EXPECT_FLOAT_EQ(m.tooldia, 0.5f);
    EXPECT_FLOAT_EQ(m.cornerrad, 0.1f);
}

TEST(OperationsForm, FieldChecksAndThePreviewsValues)
{
    EXPECT_EQ(CheckCornerRadius("0.4", "0.5"), "0.25000");
    EXPECT_EQ(CheckCornerRadius("0.2", "0.5"), "0.2");

    OperationForm lathe;
    lathe.shape = ShapeDiamond;
    lathe.optype = TurningIndex;
    lathe.p[4] = "1000000";
    EXPECT_DOUBLE_EQ(PreviewValues(lathe, nullptr)[4], 1.0);
    EXPECT_EQ(lathe.p[4], "1000000") << "the field keeps its text";
    TOperationRecord r = OperationTemplate();
    EXPECT_EQ(StoreForm(lathe, r, nullptr), "");
    EXPECT_FLOAT_EQ(r.p[4], 1000000);

    OperationForm mill;
    mill.p[0] = "600";
    mill.p[1] = "-501";
    const auto v = PreviewValues(mill, nullptr);
    EXPECT_EQ(mill.p[0], "1.0");
    EXPECT_EQ(mill.p[1], "1.0");
    EXPECT_DOUBLE_EQ(v[0], 1.0);

    testsupport::ScriptedPrompter prompter;
    mill.p[2] = "x";
    EXPECT_DOUBLE_EQ(PreviewValues(mill, &prompter)[2], 0.0);
    EXPECT_EQ(prompter.shown.size(), 1u);
}

TEST(OperationsForm, ShapeLabelsOfEveryShape)
{
    struct Case {
        int shape;
        std::array<const char*, 7> labels;
        const char* enabled; // fields, "1" on
        bool orientation;
        const char* p1;
    };
    const Case cases[] = {
        {ShapeEndMill, {"Tool Diameter", "Tool Length", "Tool Corner Radius", "Tool Radius", "Holder Length",
                        "Holder Width", "Inscribed Circle"}, "1110000", false, nullptr},
        {ShapeDrill, {"Drill Diameter", "Drill Length", "Drill Tip Angle", "Tool Radius", "Holder Length",
                      "Holder Width", "Inscribed Circle"}, "1110000", false, nullptr},
        {ShapeDiamond, {"Included Angle", "Relief Angle", "Insert Extension", "Tool Radius", "Holder Length",
                        "Holder Width", "Inscribed Circle"}, "1111111", true, nullptr},
        {ShapeSquare, {"Included Angle", "Relief Angle", "Insert Extension", "Tool Radius", "Holder Length",
                       "Holder Width", "Inscribed Circle"}, "0111111", true, "90.0"},
        {ShapeTriangle, {"Included Angle", "Relief Angle", "Insert Extension", "Tool Radius", "Holder Length",
                         "Holder Width", "Inscribed Circle"}, "0111111", true, "60.0"},
        {ShapeRound, {"Included Angle", "Back Angle", "Insert Extension", "Tool Radius", "Holder Length",
                      "Holder Width", "Inscribed Circle"}, "0111111", true, "0.0"},
        {ShapeThreading, {"Insert Width", "Insert Tip Angle", "Insert Extension", "Tool Point Inset", "Holder Length",
                          "Holder Width", "Inscribed Circle"}, "1111110", true, nullptr},
        {ShapeGrooving, {"Insert Width", "", "Insert Extension", "Tool Radius", "Holder Length", "Holder Width",
                         "Inscribed Circle"}, "1011110", true, nullptr},
        {ShapeLatheDrill, {"Drill Point Angle", "", "", "Drill Diameter", "Drill Length", "", "Inscribed Circle"},
         "1001100", true, nullptr},
    };
    for (const Case& c : cases) {
        const ShapeLabels s = SetShapeLabels(c.shape);
        std::string enabled;
        for (std::size_t i = 0; i < 7; ++i) {
            EXPECT_EQ(s.label[i], c.labels[i]) << c.shape << " p" << i + 1;
            enabled += s.fieldEnabled[i] ? '1' : '0';
        }
        EXPECT_EQ(enabled, c.enabled) << c.shape;
        EXPECT_EQ(s.orientationEnabled, c.orientation) << c.shape;
        EXPECT_EQ(s.p1Text.value_or(""), c.p1 ? c.p1 : "") << c.shape;
    }
    EXPECT_FALSE(SetShapeLabels(ShapeRound).labelEnabled[0]);
}

TEST(OperationsForm, PrintedList)
{
    const std::vector<std::string> heading = {
        "            Vork Analyzer  Version: 11.080", std::string(80, '='), "     Date : 12:00:00  01/02/26", "",
        "  Op #  Tool #   Description ", std::string(80, '=')};
    EXPECT_EQ(OperationListLines(TOperationTable(), "12:00:00  01/02/26"), heading);

    TOperationTable table = twoOperations();
    std::vector<std::string> expected = heading;
    const std::string dashes = "-------|-------|" + std::string(64, '-');
    for (const char* line : {"    10 |     1 |FACE", "       |       |>> 0. Diameter Standard End Mill <<"})
        expected.push_back(line);
    expected.push_back(dashes);
    for (const char* line : {"    20 |     4 |ROUGH", "       |       |SECOND LINE",
                             "       |       |>> 0.5 Diameter Standard End Mill <<"})
        expected.push_back(line);
    expected.push_back(dashes);
    EXPECT_EQ(OperationListLines(table, "12:00:00  01/02/26"), expected);
}

} // namespace
