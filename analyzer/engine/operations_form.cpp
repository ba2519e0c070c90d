#include "analyzer/engine/operations_form.h"

#include "analyzer/engine/analyzer_settings.h"
#include "math/engine/mathlib.h"
#include "platform/numbers.h"
#include "platform/paths.h"

#include <cmath>
#include <limits>

namespace vork {

namespace {

std::string fixed5(double v) { return platform::formatFixed(v, 5); }

long long whole(float v) { return std::isfinite(v) ? platform::roundHalfEven(v) : 0; }

int listIndex(float v, int count)
{
    const long long i = whole(v) - 1;
    return i >= 0 && i < count ? static_cast<int>(i) : 0;
}

double real(const std::string& text, platform::Prompter* prompter) { return StrToReal(text, prompter); }

} // namespace

bool IsLatheShape(int shape) { return shape >= ShapeDiamond && shape <= ShapeLatheDrill; }

void LoadForm(OperationForm& f, const TOperationRecord& r)
{
    f.opnum = std::to_string(r.opnum);
    f.optype = r.optype == 1 ? MillingIndex : r.optype == 0 ? TurningIndex : -1;
    f.toolnum = std::to_string(whole(r.toolnum));
    f.offsetnum = std::to_string(whole(r.offsetnum));
    f.fixoff = std::to_string(whole(r.fixoff));
    f.stock = fixed5(r.stock);
    f.toolSize = fixed5(f.turning() ? r.tooldia / 2 : r.tooldia);
    if (!f.turning())
        f.cornerRadius = fixed5(r.cornerrad);
    f.feed = fixed5(r.feed);
    f.ipm = whole(r.feedmode) == 1;
    f.speed = std::to_string(whole(r.speed));
    f.rpm = whole(std::fabs(r.spindle)) == 1;
    f.forward = r.spindle > 0;
    f.range = listIndex(r.range, 5);
    f.coolant = listIndex(r.coolant, 3);
    f.lcomp = listIndex(r.lcomp, 6);
    f.orientation = f.lcomp;
    for (std::size_t i = 0; i < 3; ++i)
        f.desc[i] = r.desc[i];
    f.xhome = r.xhome;
    f.yhome = r.yhome;
    f.zhome = r.zhome;
    f.glx = r.glx;
    f.glz = r.glz;
    const long long shape = whole(r.tshape);
    f.shape = shape >= ShapeEndMill && shape <= ShapeLatheDrill ? static_cast<int>(shape) : ShapeEndMill;
    if (!f.turning()) {
        f.p[0] = fixed5(r.tooldia);
        f.p[1] = fixed5(r.p[0]);
        if (f.shape == ShapeDrill)
            f.p[2] = fixed5(r.p[1]);
        else if (f.shape == ShapeEndMill)
            f.p[2] = fixed5(r.cornerrad);
    } else {
        for (std::size_t i = 0; i < 7; ++i)
            f.p[i] = fixed5(r.p[i]);
    }
}

std::string StoreForm(const OperationForm& f, TOperationRecord& out, platform::Prompter* prompter)
{
    // Every whole number first: a bad one must not leave the record half stored.
    struct Whole {
        const char* field;
        const std::string& text;
        long long low, high;
        long long value = 0;
    };
    Whole wholes[] = {{OperationNumberField, f.opnum, -1, std::numeric_limits<std::int16_t>::max()},
                      {ToolNumberField, f.toolnum, -16777216, 16777216},
                      {OffsetNumberField, f.offsetnum, -16777216, 16777216},
                      {FixtureOffsetField, f.fixoff, -16777216, 16777216}};
    for (Whole& w : wholes) {
        const auto v = platform::parseInteger(platform::trimBlanks(w.text));
        if (!v || *v < w.low || *v > w.high)
            return std::string(w.field) + ": \"" + w.text + "\" is not a valid whole number.";
        w.value = *v;
    }

    TOperationRecord r = out;
    r.opnum = static_cast<std::int16_t>(wholes[0].value);
    if (f.optype == MillingIndex)
        r.optype = 1;
    else if (f.optype == TurningIndex)
        r.optype = 0; // no entry chosen: the kind stays as it was
    r.toolnum = static_cast<float>(wholes[1].value);
    r.offsetnum = static_cast<float>(wholes[2].value);
    r.fixoff = static_cast<float>(wholes[3].value);
    const bool turning = f.turning();
    r.stock = static_cast<float>(real(f.stock, prompter));
    const double size = real(f.toolSize, prompter);
    r.tooldia = static_cast<float>(turning ? size * 2 : size);
    r.feed = static_cast<float>(real(f.feed, prompter));
    r.feedmode = f.ipm ? 1.0f : 2.0f;
    r.speed = static_cast<float>(platform::roundHalfEven(real(f.speed, prompter)));
    r.spindle = (f.rpm ? 1.0f : 2.0f) * (f.forward ? 1.0f : -1.0f);
    r.range = static_cast<float>(f.range + 1);
    r.coolant = static_cast<float>(f.coolant + 1);
    r.lcomp = static_cast<float>(f.lcomp + 1);
    for (std::size_t i = 0; i < 3; ++i)
        r.desc[i] = f.desc[i].substr(0, OperationTextLength);
    r.xhome = f.xhome;
    r.yhome = f.yhome;
    r.zhome = f.zhome;
    r.glx = f.glx;
    r.glz = f.glz;
    if (!turning) {
        r.cornerrad = static_cast<float>(real(f.cornerRadius, prompter));
        if (r.cornerrad * 2 > r.tooldia)
            r.cornerrad = r.tooldia / 2;
    }
    r.tshape = static_cast<float>(f.shape);
    if (!turning) {
        r.tooldia = static_cast<float>(real(f.p[0], prompter));
        r.p[0] = static_cast<float>(real(f.p[1], prompter));
        if (f.shape == ShapeDrill)
            r.p[1] = static_cast<float>(real(f.p[2], prompter));
        else if (f.shape == ShapeEndMill)
            r.cornerrad = static_cast<float>(real(f.p[2], prompter));
    } else {
        if (f.shape == ShapeLatheDrill)
            r.tooldia = static_cast<float>(real(f.p[3], prompter));
        for (std::size_t i = 0; i < 7; ++i)
            r.p[i] = static_cast<float>(real(f.p[i], prompter));
    }
    out = r;
    return {};
}

ShapeLabels SetShapeLabels(int shape)
{
    ShapeLabels s;
    s.label = {"Included Angle", "Relief Angle", "Insert Extension", "Tool Radius", "Holder Length", "Holder Width",
               "Inscribed Circle"};
    s.labelEnabled.fill(true);
    const bool lathe = IsLatheShape(shape);
    s.orientationEnabled = lathe;
    s.fieldEnabled.fill(lathe);
    auto only3 = [&s](const char* a, const char* b, const char* c) {
        s.fieldEnabled = {true, true, true, false, false, false, false};
        s.label[0] = a;
        s.label[1] = b;
        s.label[2] = c;
    };
    auto off = [&s](int i, bool clearLabel) {
        s.fieldEnabled[static_cast<std::size_t>(i)] = false;
        if (clearLabel) {
            s.label[static_cast<std::size_t>(i)].clear();
            s.labelEnabled[static_cast<std::size_t>(i)] = false;
        }
    };
    switch (shape) {
    case ShapeEndMill: only3("Tool Diameter", "Tool Length", "Tool Corner Radius"); break;
    case ShapeDrill: only3("Drill Diameter", "Drill Length", "Drill Tip Angle"); break;
    case ShapeSquare:
        s.p1Text = "90.0";
        off(0, false);
        break;
    case ShapeTriangle:
        s.p1Text = "60.0";
        off(0, false);
        break;
    case ShapeRound:
        s.p1Text = "0.0";
        off(0, false);
        s.labelEnabled[0] = false;
        s.label[1] = "Back Angle";
        break;
    case ShapeThreading:
        s.label[0] = "Insert Width";
        s.label[1] = "Insert Tip Angle";
        s.label[2] = "Insert Extension";
        s.label[3] = "Tool Point Inset";
        off(6, false);
        break;
    case ShapeGrooving:
        s.label[0] = "Insert Width";
        off(1, true);
        s.label[2] = "Insert Extension";
        s.label[3] = "Tool Radius";
        off(6, false);
        break;
    case ShapeLatheDrill:
        s.label[0] = "Drill Point Angle";
        off(1, true);
        off(2, true);
        off(5, true);
        s.label[3] = "Drill Diameter";
        s.label[4] = "Drill Length";
        off(6, false);
        break;
    default: break; // Diamond: the reset labels
    }
    return s;
}

void ApplyShapeLabels(OperationForm& form, const ShapeLabels& labels)
{
    if (labels.p1Text)
        form.p[0] = *labels.p1Text;
}

std::string CheckCornerRadius(const std::string& cornerRadius, const std::string& toolSize)
{
    const double c = StrToReal(cornerRadius);
    const double d = StrToReal(toolSize);
    return c * 2 > d ? fixed5(d / 2) : cornerRadius;
}

std::array<double, 7> PreviewValues(OperationForm& form, platform::Prompter* prompter)
{
    if (!IsLatheShape(form.shape))
        for (std::size_t i = 0; i < 2; ++i)
            if (std::fabs(StrToReal(form.p[i])) > 500)
                form.p[i] = "1.0";
    std::array<double, 7> v{};
    for (std::size_t i = 0; i < 7; ++i) {
        v[i] = StrToReal(form.p[i], prompter);
        if (std::fabs(v[i]) > 100000)
            v[i] = 1.0;
    }
    return v;
}

std::string PreviewLabel(const TOperationRecord& record) { return "Tool Preview, Op# " + std::to_string(record.opnum); }

std::string ChangePage(OperationForm& f, TOperationRecord& record, int from, int to, bool& sort,
                       platform::Prompter* prompter)
{
    sort = false;
    std::string error;
    if (from == ToolShapePage) {
        f.toolSize = IsLatheShape(f.shape) ? f.p[3] : f.p[0];
        if (f.shape == ShapeEndMill)
            f.cornerRadius = f.p[2];
        f.lcomp = f.orientation;
        error = StoreForm(f, record, prompter);
    }
    if (from == DetailsPage) {
        // The shape page takes the details first, so that storing keeps what was typed.
        (f.turning() ? f.p[3] : f.p[0]) = f.toolSize;
        f.orientation = f.lcomp;
        if (f.shape == ShapeEndMill)
            f.p[2] = f.cornerRadius;
        if (to == ToolShapePage)
            error = StoreForm(f, record, prompter);
        record.lcomp = static_cast<float>(f.orientation + 1);
        const double size = StrToReal(f.toolSize);
        record.tooldia = static_cast<float>(f.turning() ? size * 2 : size);
    }
    if (to == ListPage) {
        const std::string e = StoreForm(f, record, prompter);
        if (error.empty())
            error = e;
        sort = true;
    } else if (error.empty()) {
        LoadForm(f, record);
    }
    return error;
}

int StartOperationNumberEdit(TOperationTable& table, int row)
{
    if (!TOperationTable::IsSlot(row) || !table.slot(row).empty())
        return row;
    int slot = 1;
    while (slot < row && !table.slot(slot).empty())
        ++slot;
    if (slot == 1) {
        table.slot(1) = OperationTemplate();
        return 1;
    }
    TOperationRecord r = table.slot(slot - 1);
    r.opnum = static_cast<std::int16_t>(std::min(r.opnum + 10, 32767));
    r.toolnum += 1;
    r.offsetnum += 1;
    table.slot(slot) = r;
    return slot;
}

std::vector<std::string> OperationListLines(const TOperationTable& table, const std::string& dateStamp)
{
    const std::string rule(80, '=');
    std::vector<std::string> lines = {"            Vork Analyzer  Version: " + platform::formatFixed(AnalyzerVersion, 3),
                                      rule,
                                      "     Date : " + dateStamp,
                                      "",
                                      "  Op #  Tool #   Description ",
                                      rule};
    for (int n = 1; n <= OperationSlots; ++n) {
        const TOperationRecord& r = table.slot(n);
        if (r.empty())
            continue;
        lines.push_back(platform::strInt(r.opnum, 6) + " |" + platform::strInt(whole(r.toolnum), 6) + " |" + r.desc[0]);
        for (std::size_t i = 1; i < 3; ++i)
            if (!r.desc[i].empty() && r.desc[i] != " ")
                lines.push_back("       |       |" + r.desc[i]);
        lines.push_back("       |       |>> " + table.ToolDesc(n) + " <<");
        lines.push_back("-------|-------|" + std::string(64, '-'));
    }
    return lines;
}

} // namespace vork
