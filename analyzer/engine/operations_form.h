#pragma once
// The operations manager's form as data: what its details and tool-shape pages show for
// an operation record, how they are stored back, the labels of each tool shape, the
// page-change rules, a new operation typed into an empty row and the printed list. The
// dialog only moves these values in and out of its controls.
#include "analyzer/engine/operation_table.h"

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace platform {
class Prompter;
}

namespace vork {

// Pages of the dialog.
enum OperationsPage { ListPage = 0, DetailsPage = 1, ToolShapePage = 2 };

// Indices of the lists.
inline constexpr int MillingIndex = 0;
inline constexpr int TurningIndex = 1;

// Field captions, used in messages.
inline constexpr const char* OperationNumberField = "Operation #";
inline constexpr const char* ToolNumberField = "Tool Number";
inline constexpr const char* OffsetNumberField = "Offset Number";
inline constexpr const char* FixtureOffsetField = "Fixture Offset #";

struct OperationForm {
    // Whole-number fields, as typed.
    std::string opnum = "0", toolnum = "0", offsetnum = "0", fixoff = "0";
    int optype = MillingIndex;  // -1: no entry (a record of type 2)
    std::string toolSize = "1.0", stock = "0.0", feed = "1.0", speed = "1.0", cornerRadius = "0.0";
    bool ipm = true;      // else IPR
    bool rpm = true;      // else CSS
    bool forward = true;
    int range = 0;        // "Range #1".."Range #5"
    int coolant = 0;      // "Flood", "Off", "Mist"
    int lcomp = 0;        // "Lathe Comp Mode"
    std::array<std::string, 3> desc;
    int shape = ShapeEndMill;
    int orientation = 0;  // "Tool Orientation (Lathes)"
    std::array<std::string, 7> p{"0.0", "0.0", "0.0", "0.0", "6.0", "1.25", "0.5"};
    // Carried from record to record without controls.
    float xhome = 0, yhome = 0, zhome = 0, glx = 0, glz = 0;

    bool turning() const { return optype == TurningIndex; }
};

void LoadForm(OperationForm& form, const TOperationRecord& record);
// Checks every whole-number field first: on error the message names the field and the
// record is unchanged. Real fields that do not convert count as 0 (message through the
// prompter).
std::string StoreForm(const OperationForm& form, TOperationRecord& record, platform::Prompter* prompter);

bool IsLatheShape(int shape);

struct ShapeLabels {
    std::array<std::string, 7> label;
    std::array<bool, 7> fieldEnabled{};
    std::array<bool, 7> labelEnabled{};
    bool orientationEnabled = false;
    std::optional<std::string> p1Text; // the shape sets the first field
};
ShapeLabels SetShapeLabels(int shape);
// Applies the shape's fixed first field to the form.
void ApplyShapeLabels(OperationForm& form, const ShapeLabels& labels);

// The corner radius field after leaving it: no more than half the tool size.
std::string CheckCornerRadius(const std::string& cornerRadius, const std::string& toolSize);

// What the preview draws: the seven values (a magnitude past 100000 counts as 1.0);
// for the milling shapes a p1 or p2 field past 500 is first reset to "1.0".
std::array<double, 7> PreviewValues(OperationForm& form, platform::Prompter* prompter);
// The preview's label.
std::string PreviewLabel(const TOperationRecord& record);

// A page change from `from` to `to` on the record under edit; sets `sort` when the
// table must be sorted. Returns a store error ("" for none).
std::string ChangePage(OperationForm& form, TOperationRecord& record, int from, int to, bool& sort,
                       platform::Prompter* prompter);

// Editing "Op#" starts in `row` (1..50): an empty row becomes a new operation in the first
// empty slot, a copy of the operation before it numbered 10 higher with the next tool and
// offset (the first slot starts from the template). Returns the slot being edited.
int StartOperationNumberEdit(TOperationTable& table, int row);

// The printed operations list.
std::vector<std::string> OperationListLines(const TOperationTable& table, const std::string& dateStamp);

} // namespace vork
