#include "analyzer/engine/machine_setup.h"

#include "platform/numbers.h"
#include "platform/textfile.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace vork {

namespace {

using Group = SetupGroup;

const std::vector<SetupParameterInfo> kParameters = {
    {'I', 1, "Machine type 1 = Mill,2 = Lathe,3 = Punch,4 = Edm,5 = Flame", nullptr, 1, "", Group::MachineType, Group::MachineType, 0x1f, "", "values 1..5; asked until 1..5"},
    {'I', 2, "-G- code for Rapid motion", nullptr, 0, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 3, "-G- Code for Alternate Rapid Motion", nullptr, -9999, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 4, "-G- Code for Linear interpolation", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 5, "Alternate -G- Code for Linear interpolation", nullptr, -9999, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 6, "-G- code for Clockwise circular interpolation ", nullptr, 2, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", ""},
    {'I', 7, "Alternate Clockwise circular interpolation code", nullptr, -9999, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", ""},
    {'I', 8, "-G- code for Counter Clockwise circular interpolation ", nullptr, 3, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", ""},
    {'I', 9, "Alternate Counter Clockwise circular interpolation code", nullptr, -9999, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", ""},
    {'I', 10, "Absoulte Circle center method", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", "arc-centre method 1..7; both asked again until both are 1..7"},
    {'I', 11, "Incremental Circle center method", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", "arc-centre method 1..7; both asked again until both are 1..7"},
    {'I', 12, "Does Circular interpolation exist N=0,Y=1", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x1f, "", "0 = no, 1 = yes; asked until 0..1"},
    {'I', 13, "-G- Code for dwell in seconds", nullptr, 4, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 14, "-G- Code for dwell in revolutions", nullptr, 5, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 15, "-G- Code for Absolute mode", nullptr, 90, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 16, "-G- Code for Incremental mode", nullptr, 91, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 17, "Default mode", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x1f, "", "Machine Defaults to: 0 = Incremental, 1 = Absolute; asked until 0..1"},
    {'I', 18, "-G- Code for Inch mode", nullptr, 20, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 19, "-G- Code for Metric mode", nullptr, 21, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 20, "Default mode", nullptr, 0, "", Group::GCodes, Group::GCodes, 0x1f, "", "Machine Defaults to: 0 = Inch, 1 = Metric; asked until 0..1"},
    {'I', 21, "-G- Code for the XY Plane", nullptr, 17, "", Group::GCodes, Group::GCodes, 0x03, "", ""},
    {'I', 22, "-G- Code for the ZX Plane", nullptr, 18, "", Group::GCodes, Group::GCodes, 0x03, "", ""},
    {'I', 23, "-G- Code for the YZ Plane", nullptr, 19, "", Group::GCodes, Group::GCodes, 0x03, "", ""},
    {'I', 24, "Default mode", nullptr, 0, "", Group::GCodes, Group::GCodes, 0x03, "", "Machine Defaults to: 0 = XY, 1 = ZX, 2 = YZ plane; asked until 0..2"},
    {'I', 25, "-G- Code for GOHOME", nullptr, 28, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 26, "-G- Code for direct RPM mode", nullptr, 97, "", Group::GCodes, Group::GCodes, 0x02, "", ""},
    {'I', 27, "-G- Code for CSS mode", nullptr, 96, "", Group::GCodes, Group::GCodes, 0x02, "", ""},
    {'I', 28, "-G- Code for Threading", nullptr, 33, "", Group::GCodes, Group::GCodes, 0x02, "", ""},
    {'I', 29, "-G- Code for Threading canned cycle", nullptr, 76, "", Group::GCodes, Group::GCodes, 0x02, "", ""},
    {'I', 30, "-G- Code for Roughing canned cycle", nullptr, 73, "", Group::GCodes, Group::GCodes, 0x02, "", ""},
    {'I', 31, "-G- Code for drilling canned cycle", nullptr, 74, "", Group::GCodes, Group::GCodes, 0x02, "", ""},
    {'I', 32, "-G- Code to cancel Drilling cycles", nullptr, 80, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 33, "-G- Code for Drill cycle", nullptr, 81, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 34, "-G- Code for Drill cycle 2 ", nullptr, 82, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 35, "-G- Code for Drill DEEP cycle", nullptr, 83, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 36, "-G- Code for Tapping cycle", nullptr, 84, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 37, "-G- Code for Boring cycle", nullptr, 85, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 38, "-G- Code for Ream cycle", nullptr, 86, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 39, "-G- Code for Fine Bore cycle", nullptr, 87, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 40, "-G- Code for Retract to clearance plane only", nullptr, 99, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 41, "-G- Code for Full retract in cycles", nullptr, 98, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'I', 42, "-G- Code to set Maximum RPM", nullptr, 92, "", Group::GCodes, Group::GCodes, 0x02, "", ""},
    {'I', 43, "-M- Code for program STOP", nullptr, 0, "", Group::MCodes, Group::MCodes, 0x1f, "", ""},
    {'I', 44, "-M- Code for program Optional STOP", nullptr, 1, "", Group::MCodes, Group::MCodes, 0x1f, "", ""},
    {'I', 45, "-M- Code for END of program ", nullptr, 2, "", Group::MCodes, Group::MCodes, 0x1f, "", ""},
    {'I', 46, "-M- Code for program REWIND", nullptr, 30, "", Group::MCodes, Group::MCodes, 0x1f, "", ""},
    {'I', 47, "-M- Code for MIST coolant ON", nullptr, 7, "", Group::MCodes, Group::MCodes, 0x03, "", ""},
    {'I', 48, "-M- Code for FLOOD coolant ON", nullptr, 8, "", Group::MCodes, Group::MCodes, 0x03, "", ""},
    {'I', 49, "-M- Code for coolant OFF", nullptr, 9, "", Group::MCodes, Group::MCodes, 0x03, "", ""},
    {'I', 50, "-M- Code for CW Spindle ON ", nullptr, 3, "", Group::MCodes, Group::MCodes, 0x03, "", ""},
    {'I', 51, "-M- Code for CCW Spindle ON ", nullptr, 4, "", Group::MCodes, Group::MCodes, 0x03, "", ""},
    {'I', 52, "-M- Code for Spindle OFF ", nullptr, 5, "", Group::MCodes, Group::MCodes, 0x03, "", ""},
    {'I', 53, "-M- Code for CSS inhibit ON", nullptr, 80, "", Group::MCodes, Group::MCodes, 0x02, "", ""},
    {'I', 54, "-M- Code for CSS inhibit OFF", nullptr, 81, "", Group::MCodes, Group::MCodes, 0x02, "", ""},
    {'I', 55, "-M- Code for Tool Change ", nullptr, 6, "", Group::MCodes, Group::MCodes, 0x03, "", ""},
    {'I', 56, "-M- Code for reposition", nullptr, 71, "", Group::MCodes, Group::MCodes, 0x04, "", ""},
    {'I', 57, "-M- Code for Inhibit punching", nullptr, 72, "", Group::MCodes, Group::MCodes, 0x04, "", ""},
    {'I', 58, "-G- Code for Inches per minute mode", nullptr, 94, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 59, "-G- Code for Inches per Revolution mode", nullptr, 95, "", Group::GCodes, Group::GCodes, 0x03, "", "for other machine types the group sets it to -9999"},
    {'I', 60, "Default mode", nullptr, 0, "", Group::GCodes, Group::GCodes, 0x03, "", "Machine Defaults to: 0 = inches per minute, 1 = inches per revolution, 2 = inverse time; asked until 0..2; for other machine types the group sets it to 0"},
    {'I', 61, "X,Y,Z,I,J,K, and R Format ", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "format 0..3; asked until 0..3"},
    {'I', 62, "Digits Left of the decimal point", nullptr, 3, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "inch mode"},
    {'I', 63, "Digits Right of the decimal point", nullptr, 4, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "inch mode"},
    {'I', 64, "Digits Left of the decimal point", nullptr, 4, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "metric mode"},
    {'I', 65, "Digits Right of the decimal point", nullptr, 3, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "metric mode"},
    {'I', 66, "Feedrate format for IPM mode", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "format 0..3; asked until 0..3"},
    {'I', 67, "Feedrate format for IPR mode", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x03, "", "format 0..3; asked until 0..3"},
    {'I', 68, "Digits Left of the decimal in IPM mode", nullptr, 3, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", ""},
    {'I', 69, "Digits Right of the decimal in IPM mode", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", ""},
    {'I', 70, "Digits Left of the decimal in IPR mode", nullptr, 3, "", Group::NumberFormats, Group::NumberFormats, 0x03, "", ""},
    {'I', 71, "Digits Right of the decimal in IPR mode", nullptr, 4, "", Group::NumberFormats, Group::NumberFormats, 0x03, "", ""},
    {'I', 72, "Digits Left ", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x02, "S20 is set", "question text \"Digits Left \" + register words"},
    {'I', 73, "Digits Right ", nullptr, 5, "", Group::NumberFormats, Group::NumberFormats, 0x02, "S20 is set", "question text \"Digits Right \" + register words"},
    {'I', 74, "Format for the -N- register", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "0 = Suppress leading zeros, 1 = Use leading zeros; after I77 each of I74..I77 outside 0..1 becomes 0"},
    {'I', 75, "Format for the -G- & -M- registers", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "0 = Suppress leading zeros, 1 = Use leading zeros; after I77 each of I74..I77 outside 0..1 becomes 0"},
    {'I', 76, "Format for the -S- register", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "0 = Suppress leading zeros, 1 = Use leading zeros; after I77 each of I74..I77 outside 0..1 becomes 0"},
    {'I', 77, "Format for the -T- register", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "0 = Suppress leading zeros, 1 = Use leading zeros; after I77 each of I74..I77 outside 0..1 becomes 0"},
    {'I', 78, "Number of degrees allowed in a single circular block", nullptr, 0, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", "0 = 90, 1 = 180, 2 = 360 degrees or less; asked until 0..2"},
    {'I', 79, "Number of Spindle speed ranges ( Max = 6 )", nullptr, 3, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "", "asked until 1..6"},
    {'I', 80, "-M- Code for Spindle Range #", nullptr, 41, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 1", ""},
    {'I', 81, "-M- Code for Spindle Range #", nullptr, 42, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 2", ""},
    {'I', 82, "-M- Code for Spindle Range #", nullptr, 43, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 3", ""},
    {'I', 83, "-M- Code for Spindle Range #", nullptr, 44, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 4", ""},
    {'I', 84, "-M- Code for Spindle Range #", nullptr, 45, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 5", ""},
    {'I', 85, "-M- Code for Spindle Range #", nullptr, 46, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 6", ""},
    {'I', 86, "Starting Sequence number", nullptr, 10, "", Group::SequenceNumbers, Group::SequenceNumbers, 0x1f, "", ""},
    {'I', 87, "Sequence number increment", nullptr, 10, "", Group::SequenceNumbers, Group::SequenceNumbers, 0x1f, "", ""},
    {'I', 88, "Total digits in the Sequence Number", nullptr, 4, "", Group::SequenceNumbers, Group::SequenceNumbers, 0x1f, "", ""},
    {'I', 89, "-G- Code for Cutter Diameter compensation Left", nullptr, 41, "", Group::ToolCompensation, Group::ToolCompensation, 0x1f, "", ""},
    {'I', 90, "-G- Code for Cutter Diameter compensation Right", nullptr, 42, "", Group::ToolCompensation, Group::ToolCompensation, 0x1f, "", ""},
    {'I', 91, "-G- Code for Cutter Diameter compensation Cancel", nullptr, 40, "", Group::ToolCompensation, Group::ToolCompensation, 0x1f, "", ""},
    {'I', 92, "-G- Code for Tool length compensation", nullptr, 43, "", Group::ToolCompensation, Group::ToolCompensation, 0x01, "", ""},
    {'I', 93, "Modal Circular", nullptr, 0, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", "Are Circular codes Modal: 0 = Yes, 1 = No; asked until 0..1"},
    {'I', 94, "Modal I,J,K", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", "Are I,J,K Values Modal: 0 = Yes, 1 = No; asked until 0..1"},
    {'I', 95, "-G- code for position preset", nullptr, 92, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 96, "Default Speed Range ", nullptr, 1, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "", "asked until 1..I79"},
    {'I', 97, "Preset affect on axes position\n0 = Change Coords., 1 = None, 2 = Change origin", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x1f, "", "0 = Change Coords., 1 = None, 2 = Change origin; asked until 0..2"},
    {'I', 98, "", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x00, "mill (set, not asked)", "set to 0 when the post option I126 is 6, else 1, when the group reaches the Cincinnati question"},
    {'I', 99, "Cincinnati cycles 0 = Yes, 1 = No", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x01, "", "asked until 0..1; a not-set value becomes 1 before the question"},
    {'I', 100, "Modal Feed Rate Option", nullptr, 0, "", Group::GCodes, Group::GCodes, 0x1f, "", "Are feed rates modal: 0 = Yes, 1 = No, 2 = On Mode Change only, 3 = After Rapid Mode only; a value outside 0..3 becomes 0 before the question"},
    {'I', 101, "Output a G39 I J cutter comp Vector 0 = Yes, 1 = No", nullptr, 1, "", Group::ToolCompensation, Group::ToolCompensation, 0x01, "", "asked until 0..1; a not-set value becomes 1 before the question"},
    {'I', 102, "Output sequence numbers on \"T\" blocks only, 0=Yes,1=No", nullptr, 1, "", Group::SequenceNumbers, Group::SequenceNumbers, 0x1f, "", "a value outside 0..1 becomes 1 whenever the group runs a question"},
    {'I', 103, "Output sequence numbers on \"M06\" blocks only, 0=Yes,1=No", nullptr, 1, "", Group::SequenceNumbers, Group::SequenceNumbers, 0x1f, "", "a value outside 0..1 becomes 1 whenever the group runs a question"},
    {'I', 104, "Does Helical interpolation exist N=1,Y=0", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x01, "", "asked until 0..1"},
    {'I', 105, "Allow Mixed decimal / trailing format 0=Y,1=N", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "a value outside 0..1 becomes 1 before the question"},
    {'I', 106, "Number of digits in the tool code", nullptr, 2, "", Group::ToolCompensation, Group::ToolCompensation, 0x1f, "", "a not-set value becomes 2 before the question"},
    {'I', 107, "Format for rotary axis ", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x03, "S27 or S28 is set", "format 0..3 as listed; asked until 0..4"},
    {'I', 108, "Digits left for rotary axis ", nullptr, 3, "", Group::NumberFormats, Group::NumberFormats, 0x03, "S27 or S28 is set", ""},
    {'I', 109, "Digits Right for rotary axis ", nullptr, 2, "", Group::NumberFormats, Group::NumberFormats, 0x03, "S27 or S28 is set", ""},
    {'I', 110, "Output rotary axis before axis motion, 0=Y,1=N", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x03, "S27 or S28 is set", "a value outside 0..1 becomes 1 before the question"},
    {'I', 111, "Maximum tool number (including offset number)", nullptr, 9999, "", Group::ToolCompensation, Group::ToolCompensation, 0x1f, "", "a not-set value becomes 9999 before the question"},
    {'I', 112, "-G- Code for Inverse time mode", nullptr, -9999, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 113, "Feedrate format for Inverse time mode", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "I112 is set", "format 0..3; asked until 0..3"},
    {'I', 114, "Digits Left of the decimal in INV mode", nullptr, 3, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "I112 is set", ""},
    {'I', 115, "Digits Right of the decimal in INV mode", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "I112 is set", ""},
    {'I', 116, "Output spaces between registers, 0 = Yes, 1 = no", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "a value outside 0..1 becomes 1 before the question"},
    {'I', 117, "Alternate -G- Code for GOHOME", nullptr, 27, "", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'I', 118, "", nullptr, 1, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 119, "Decimal format for a zero value", nullptr, 1, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "I61 = 0", "0 = (Do not output), 1 = \"0\", 2 = \"0.\", 3 = \".0\", 4 = \"0.0\"; a value outside 0..4 becomes 4 before the question; asked until 0..4"},
    {'I', 120, "Must rapid moves be in IPM mode 0 = Yes, 1 = No", nullptr, 1, "", Group::GCodes, Group::GCodes, 0x02, "", "0 = yes, 1 = no; a value outside 0..1 becomes 1 before the question"},
    {'I', 121, "Strip leading zeros, 0=Y,1=N", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "I61 = 2", "a value outside 0..1 becomes 1 before the question"},
    {'I', 122, "Synchronize sequence numbers with tool numbers, 0=Yes,1=No", nullptr, 1, "", Group::SequenceNumbers, Group::SequenceNumbers, 0x1f, "", "a value outside 0..1 becomes 1 whenever the group runs a question"},
    {'I', 123, "Format for dwell time", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x1f, "", "format 0..3; a value outside 0..3 becomes 0 before the question; asked until 0..3"},
    {'I', 124, "Output sequence numbers, 0=Yes,1=No", nullptr, 0, "", Group::SequenceNumbers, Group::SequenceNumbers, 0x1f, "", "a value outside 0..1 becomes 0 whenever the group runs a question"},
    {'I', 125, "Default spindle number", nullptr, 0, "", Group::MachineType, Group::MachineType, 0x01, "post option 2", "0 = normal single spindle, 1 = second spindle of a twin-spindle mill, 2 = both spindles; a value outside 0..2 becomes 0 when post option questions run"},
    {'I', 126, "Custom Post Option", nullptr, 0, "", Group::MachineType, Group::MachineType, 0x1f, "", "post options 0..10; the engine loader takes a value outside 0..9 as 0"},
    {'I', 127, "\"INS/\" updates current position 0=yes,1=no", nullptr, 0, "", Group::MachineType, Group::MachineType, 0x1f, "", "a not-set value becomes 0 before the question"},
    {'I', 128, "End tape blocks with a \"$\":  0=yes,1=no", nullptr, 0, "", Group::MachineType, Group::MachineType, 0x1f, "post option 7", "a not-set value becomes 0 before the question"},
    {'I', 129, "Output X,Y in first Drilling Block 0=Yes,1=No", nullptr, 0, "", Group::GCodes, Group::GCodes, 0x01, "", "asked until 0..1; a value outside 0..1 becomes 0 before the question"},
    {'I', 130, "-G- Code for Single Punch Hit", nullptr, -9999, "", Group::GCodes, Group::GCodes, 0x04, "", ""},
    {'I', 131, "-G- Codes needed for Contour in YZ/ZX Planes 0=Y, 1=N", "Punch Has Indexable Tools 0 = No, 1 = Yes", 0, "", Group::GCodes, Group::MachineType, 0x07, "", "0..1; punch: asked until 0..1; mill, lathe: a value outside 0..1 becomes 0 before and after the question"},
    {'I', 132, "Analyze -Z- Axis During Rapid motion 0=NO, 1=YES", nullptr, 0, "", Group::AxisNames, Group::AxisNames, 0x03, "", "asked until 0..1; a value outside 0..1 becomes 0 before the question"},
    {'I', 133, "\"INS/\" Supresses redundant X/Y/Z 0=yes,1=no", nullptr, 1, "", Group::MachineType, Group::MachineType, 0x1f, "", "a not-set value becomes 1 before the question"},
    {'I', 134, "", nullptr, 0, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 135, "", nullptr, 0, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 136, "-M- Code for Chuck Close", nullptr, 10, "", Group::MCodes, Group::MCodes, 0x02, "", ""},
    {'I', 137, "-M- Code for Chuck Open", nullptr, 11, "", Group::MCodes, Group::MCodes, 0x02, "", ""},
    {'I', 138, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 139, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 140, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 141, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 142, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 143, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 144, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 145, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 146, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 147, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 148, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 149, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'I', 150, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 1, "         Scale factor for the -X- axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'R', 2, "         Scale factor for the -Y- Axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1d, "", ""},
    {'R', 3, "         Scale factor for the -Z- Axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x03, "", ""},
    {'R', 4, "   Scale factor for circle center in -X-", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1f, "", "a not-set value becomes 1 before the question"},
    {'R', 5, "Time in seconds required for tool change", nullptr, 2, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1f, "", ""},
    {'R', 6, "Time in seconds required for Speed change", nullptr, 0, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1f, "", ""},
    {'R', 7, "Cost per hour to run this machine", nullptr, 50, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1f, "", ""},
    {'R', 8, "Deviation Factor for machining cost", nullptr, 1, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1f, "", ""},
    {'R', 9, "Deviation Factor for Cycle time calculation", nullptr, 1, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1f, "", ""},
    {'R', 10, "Maximum number in the -X- axis", nullptr, 999.9999, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1f, "", ""},
    {'R', 11, "Minimum number in the -X- axis", nullptr, -999.9999, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1f, "", ""},
    {'R', 12, "Maximum number in the -Y- axis", nullptr, 999.9999, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1d, "", ""},
    {'R', 13, "Minimum number in the -Y- axis", nullptr, -999.9999, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1d, "", ""},
    {'R', 14, "Maximum number in the -Z- axis", nullptr, 999.9999, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x03, "", ""},
    {'R', 15, "Minimum number in the -Z- axis", nullptr, -999.9999, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x03, "", ""},
    {'R', 16, "Rapid feedrate in the -X- Axis", nullptr, 200, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x17, "", ""},
    {'R', 17, "Rapid feedrate in the -Y- Axis", nullptr, 200, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x15, "", ""},
    {'R', 18, "Rapid feedrate in the -Z- Axis", nullptr, 200, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x03, "", ""},
    {'R', 19, "Home position in the -X- axis", nullptr, 0, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1f, "", ""},
    {'R', 20, "Home position in the -Y- axis", nullptr, 0, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x1d, "", ""},
    {'R', 21, "Home position in the -Z- axis", nullptr, 0, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x03, "", ""},
    {'R', 22, "Maximum Speed for Spindle Range #", nullptr, 500, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 1", ""},
    {'R', 23, "Maximum Speed for Spindle Range #", nullptr, 1000, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 2", ""},
    {'R', 24, "Maximum Speed for Spindle Range #", nullptr, 1500, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 3", ""},
    {'R', 25, "Maximum Speed for Spindle Range #", nullptr, 2000, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 4", ""},
    {'R', 26, "Maximum Speed for Spindle Range #", nullptr, 2500, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 5", ""},
    {'R', 27, "Maximum Speed for Spindle Range #", nullptr, 3000, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 6", ""},
    {'R', 28, "Minimun Speed for Spindle Range #", nullptr, 50, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 1", ""},
    {'R', 29, "Minimun Speed for Spindle Range #", nullptr, 200, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 2", ""},
    {'R', 30, "Minimun Speed for Spindle Range #", nullptr, 500, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 3", ""},
    {'R', 31, "Minimun Speed for Spindle Range #", nullptr, 250, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 4", ""},
    {'R', 32, "Minimun Speed for Spindle Range #", nullptr, 250, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 5", ""},
    {'R', 33, "Minimun Speed for Spindle Range #", nullptr, 300, "", Group::SpindleParameters, Group::SpindleParameters, 0x03, "I79 >= 6", ""},
    {'R', 34, "Center of rotary table in -X-", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x01, "S27 or S28 is set", "a not-set value becomes 0 (for mills and lathes) before the question"},
    {'R', 35, "Center of rotary table in -Y-", nullptr, 0, "", Group::NumberFormats, Group::NumberFormats, 0x01, "S27 or S28 is set", "a not-set value becomes 0 (for mills and lathes) before the question"},
    {'R', 36, "Maximum Punch strokes per minute", nullptr, 75, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x04, "", ""},
    {'R', 37, "Tolerance to check circular blocks", nullptr, 0.001, "", Group::GCodes, Group::GCodes, 0x1f, "I12 = 1", ""},
    {'R', 38, "Scale factor for the Incremental -X- axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'R', 39, "Scale factor for the Incremental -Y- axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1d, "", ""},
    {'R', 40, "Scale factor for the Incremental -Z- axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x03, "", ""},
    {'R', 41, "   Scale factor for circle center in -Y-", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1d, "", "a not-set value becomes 1 before the question"},
    {'R', 42, "   Scale factor for circle center in -Z-", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x03, "", "a not-set value becomes 1 before the question"},
    {'R', 43, "  Output Scale factor for the -X- axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1f, "", "a not-set value becomes 1 before the question"},
    {'R', 44, "  Output Scale factor for the -Y- axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1d, "", "a not-set value becomes 1 before the question"},
    {'R', 45, "  Output Scale factor for the -Z- axis", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x03, "", "a not-set value becomes 1 before the question"},
    {'R', 46, "Output Scale factor circle center in -X- ", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1f, "", "a not-set value becomes 1 before the question"},
    {'R', 47, "Output Scale factor circle center in -Y- ", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1d, "", "a not-set value becomes 1 before the question"},
    {'R', 48, "Output Scale factor circle center in -Z- ", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x03, "", "a not-set value becomes 1 before the question"},
    {'R', 49, "Rapid feed rate in IPM ", nullptr, 100, "", Group::GCodes, Group::GCodes, 0x02, "I120 = 0", ""},
    {'R', 50, "Distance between spindles", nullptr, 0, "", Group::MachineType, Group::MachineType, 0x01, "post option 2", "a not-set value becomes 0 before the question"},
    {'R', 51, "         Scale factor for the Feed", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x1f, "", "a not-set value becomes 1 before the question"},
    {'R', 52, "Rapid feedrate in -Z- For Drilling", nullptr, 50, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x03, "", ""},
    {'R', 53, "Default -Z- Rapid Plane in cycles", nullptr, 0.1, "", Group::GCodes, Group::GCodes, 0x01, "", ""},
    {'R', 54, "Time to Index -", nullptr, 5, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x01, "", "question text \"Time to Index -\" + letter + \"- Axis 360 Degrees\" with S27, S28, S69 as the letter"},
    {'R', 55, "Time to Index -", nullptr, 5, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x01, "", "question text \"Time to Index -\" + letter + \"- Axis 360 Degrees\" with S27, S28, S69 as the letter"},
    {'R', 56, "Time to Index -", nullptr, 5, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x01, "", "question text \"Time to Index -\" + letter + \"- Axis 360 Degrees\" with S27, S28, S69 as the letter"},
    {'R', 57, "Machine Acceleration (g)", nullptr, 0.2, "", Group::CostFactorsAndLimits, Group::CostFactorsAndLimits, 0x03, "", "a not-set value becomes 0 before and after the question"},
    {'R', 58, "         Scale factor for Depth Increment", nullptr, 1, "", Group::AxisNames, Group::AxisNames, 0x01, "", "a not-set value becomes 1 before the question"},
    {'R', 59, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 60, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 61, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 62, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 63, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 64, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 65, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 66, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 67, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 68, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 69, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 70, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 71, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 72, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 73, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 74, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'R', 75, "", nullptr, -9999, "", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'S', 1, "      Alpha character for the -X- Axis", nullptr, 0, "X", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 2, "      Alpha character for the -Y- Axis", nullptr, 0, "Y", Group::AxisNames, Group::AxisNames, 0x1d, "", ""},
    {'S', 3, "      Alpha character for the -Z- Axis", nullptr, 0, "Z", Group::AxisNames, Group::AxisNames, 0x03, "", ""},
    {'S', 4, "Alpha character for circle center in -X- ", nullptr, 0, "I", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 5, "Alpha character for circle center in -Y- ", nullptr, 0, "J", Group::AxisNames, Group::AxisNames, 0x1d, "", ""},
    {'S', 6, "Alpha character for circle center in -Z- ", nullptr, 0, "K", Group::AxisNames, Group::AxisNames, 0x03, "", ""},
    {'S', 7, "Incremental character for the -X- Axis", nullptr, 0, "U", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 8, "Incremental character for the -Y- Axis", nullptr, 0, "V", Group::AxisNames, Group::AxisNames, 0x1d, "", ""},
    {'S', 9, "Incremental character for the -Z- Axis", nullptr, 0, "W", Group::AxisNames, Group::AxisNames, 0x03, "", ""},
    {'S', 10, "Alpha character for the circular radius value", nullptr, 0, "R", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 11, "Alpha character for the rapid plane", nullptr, 0, "R", Group::AxisNames, Group::AxisNames, 0x01, "", ""},
    {'S', 12, "Alpha character for Speed codes", nullptr, 0, "S", Group::AxisNames, Group::AxisNames, 0x03, "", ""},
    {'S', 13, "Alpha Character for Feed codes", nullptr, 0, "F", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 14, "Alpha Character for Tool  codes", nullptr, 0, "T", Group::AxisNames, Group::AxisNames, 0x03, "", ""},
    {'S', 15, "Alpha character for Depth increment in cycles", nullptr, 0, "Q", Group::AxisNames, Group::AxisNames, 0x01, "", ""},
    {'S', 16, "Alpha character for Dwell time in cycles", nullptr, 0, "P", Group::AxisNames, Group::AxisNames, 0x01, "", ""},
    {'S', 17, "Alpha string for rapid motion", nullptr, 0, "NONE", Group::GCodes, Group::GCodes, 0x1f, "", ""},
    {'S', 18, "Alpha character for CSS Radius value", nullptr, 0, "R", Group::AxisNames, Group::AxisNames, 0x02, "", ""},
    {'S', 19, "Alpha character for thread lead in the -X- Axis", nullptr, 0, "I", Group::AxisNames, Group::AxisNames, 0x02, "", ""},
    {'S', 20, "Alpha character for thread lead in the -Z- Axis", nullptr, 0, "K", Group::AxisNames, Group::AxisNames, 0x02, "", ""},
    {'S', 21, "Alpha character for cutter diameter compensation", nullptr, 0, "D", Group::AxisNames, Group::AxisNames, 0x01, "", ""},
    {'S', 22, "Alpha character for cutter Length compensation", nullptr, 0, "H", Group::AxisNames, Group::AxisNames, 0x01, "", ""},
    {'S', 23, "Alpha character for DWELL Time", nullptr, 0, "P", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 24, "Message Start Character", nullptr, 0, "(", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 25, "Message Stop Character", nullptr, 0, ")", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 26, "Alternate message Start character", nullptr, 0, "$", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 27, "Alpha character for Rotary Motion About the -X- axis", nullptr, 0, "A", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 28, "Alpha character for Rotary Motion About the -Y- axis", nullptr, 0, "B", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 29, "Alpha Character for Alternate Feed codes", nullptr, 0, "E", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 30, "Alpha character(s) for Alternate DWELL Time", nullptr, 0, "Z", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 31, "Alpha character for thread Depth in a canned cycle", " Alpha character for rotating tool Axis", 0, "P", Group::AxisNames, Group::AxisNames, 0x06, "", ""},
    {'S', 32, "Alpha character for first pass depth in a canned cycle", nullptr, 0, "Q", Group::AxisNames, Group::AxisNames, 0x02, "", ""},
    {'S', 33, "Alpha character for Delta -X- Depth in a canned cycle", nullptr, 0, "R", Group::AxisNames, Group::AxisNames, 0x02, "", ""},
    {'S', 34, "      Alpha character for Sequence Numbers", nullptr, 0, "N", Group::AxisNames, Group::AxisNames, 0x1f, "", "a not-set value becomes \"N\" before the question"},
    {'S', 35, "Macro name to START up the machine", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 36, "Macro name to change tools", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 37, "Macro name to SHUT-DOWN the machine", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 38, "Macro name to output an RPM setting", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 39, "Macro name to output an CSS setting", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 40, "Macro name to output an DRL,FLT,BORE ", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 41, "Character to use for TAB's, T for <TAB> or C for comma", nullptr, 0, "T", Group::MachineType, Group::MachineType, 0x1f, "post option 7", ""},
    {'S', 42, "Macro name for THREAD cycle ", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 43, "First 8 characters of Power supply Parameters", nullptr, 0, "13.220.0", Group::MachineType, Group::MachineType, 0x1f, "post option 8", ""},
    {'S', 44, "Last 8 characters of Power supply Parameters", nullptr, 0, "01101208", Group::MachineType, Group::MachineType, 0x1f, "post option 8", ""},
    {'S', 45, "Special character(s) to End each Line", nullptr, 0, "NONE", Group::NumberFormats, Group::NumberFormats, 0x1f, "", ""},
    {'S', 46, "Alpha character for Incremental Repeat value in cycles", nullptr, 0, "L", Group::AxisNames, Group::AxisNames, 0x01, "", ""},
    {'S', 47, "Macro name for Linear/Rapid Moves ", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 48, "Macro name for Circular Moves ", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 49, "Macro name for Cutter Compensation ", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 50, "Macro name for Fixture Offset", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 51, "Macro name for Single Punch Hit", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 52, "Macro name for Bolt Hole Circle/Arc of Holes", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 53, "Macro name for Linear Pattern of Holes", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 54, "Macro name for Grid pattern of hits", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 55, "Macro name for Position / NO Punch", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 56, "Macro name for NIBBLING a LINE", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 57, "Macro name for NIBBLING an ARC", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 58, "Macro name for EDGE Command", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 59, "Macro name for Repositioning", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 60, "Macro name for Burning ON/OFF", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x04, "", "macro name"},
    {'S', 61, "Macro name for XY Contouring", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 62, "Macro name for ZX Contouring", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 63, "Macro name for YZ Contouring", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 64, "Macro name for Tool Data Output", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 65, "Alternate Alpha character for Speed codes", nullptr, 0, "NONE", Group::AxisNames, Group::AxisNames, 0x03, "", ""},
    {'S', 66, "", nullptr, 0, "NONE", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'S', 67, "", nullptr, 0, "TAP", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'S', 68, "", nullptr, 0, "NONE", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'S', 69, "Alpha character for Rotary Motion About the -Z- axis", nullptr, 0, "C", Group::AxisNames, Group::AxisNames, 0x1f, "", ""},
    {'S', 70, "Macro name for Lathe Bar Pull cycle ", nullptr, 0, "NONE", Group::MachineType, Group::MachineType, 0x1f, "", "macro name"},
    {'S', 71, "", nullptr, 0, "NONE", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'S', 72, "", nullptr, 0, "NONE", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'S', 73, "", nullptr, 0, "NONE", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'S', 74, "", nullptr, 0, "NONE", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
    {'S', 75, "", nullptr, 0, "NONE", Group::NotAsked, Group::NotAsked, 0x00, "", ""},
};

// One parameter line of a machine-setup file, split into its parts.
struct ParameterLine {
    char table = 0;
    int index = 0;
    std::string valueText;
};

constexpr std::size_t MaxLineLength = 80;
constexpr int ParameterCount = IntCount + RealCount + StrCount;

int tableSize(char table)
{
    return table == 'I' ? IntCount : table == 'R' ? RealCount : StrCount;
}

// The parameter's place in the order of the file: I1..I150, R1..R75, S1..S75.
int fileOrder(char table, int index)
{
    return (table == 'I' ? 0 : table == 'R' ? IntCount : IntCount + RealCount) + index - 1;
}

bool isParameterLetter(char c)
{
    return c == 'I' || c == 'R' || c == 'S';
}

// Column 1 is the table letter, columns 2 to 6 the index (blanks anywhere), column 7 is
// not looked at and the value starts in column 8. Lines that are not parameter lines,
// or whose index lies outside the tables, give nothing.
std::optional<ParameterLine> parseParameterLine(std::string_view line)
{
    if (line.empty() || !isParameterLetter(line[0]))
        return std::nullopt;
    std::string indexText;
    for (char c : line.substr(1, 5))
        if (c != ' ' && c != '\t')
            indexText += c;
    const auto index = platform::parseInteger(indexText);
    if (!index || *index < 1 || *index > tableSize(line[0]))
        return std::nullopt;
    ParameterLine p;
    p.table = line[0];
    p.index = static_cast<int>(*index);
    if (line.size() > 7)
        p.valueText = std::string(line.substr(7));
    return p;
}

std::string setupString(const std::string& valueText)
{
    std::string s = valueText.substr(0, MaxSetupString);
    if (s.find(NotSetString) != std::string::npos)
        s = NotSetString;
    return s;
}

std::string parameterName(char table, int index)
{
    return std::string(1, table) + std::to_string(index);
}

// "R60..R75, S1..S75": the parameters of `missing` (in file order), in runs.
std::string parameterRuns(const std::vector<int>& missing)
{
    const auto name = [](int order) {
        if (order < IntCount)
            return parameterName('I', order + 1);
        if (order < IntCount + RealCount)
            return parameterName('R', order - IntCount + 1);
        return parameterName('S', order - IntCount - RealCount + 1);
    };
    const auto table = [](int order) { return order < IntCount ? 0 : order < IntCount + RealCount ? 1 : 2; };
    std::string text;
    for (std::size_t i = 0; i < missing.size();) {
        std::size_t j = i;
        while (j + 1 < missing.size() && missing[j + 1] == missing[j] + 1 && table(missing[j + 1]) == table(missing[i]))
            ++j;
        text += (text.empty() ? "" : ", ") + name(missing[i]) + (j > i ? ".." + name(missing[j]) : "");
        i = j + 1;
    }
    return text;
}

// The limits of a parameter's number: those of the editor's tables (16-bit whole numbers,
// single-precision reals), which every machine file it writes keeps to. The analyzer
// takes a file by the same limits, so that both hold the same machine.
constexpr double MinSetupInt = std::numeric_limits<std::int16_t>::min();
constexpr double MaxSetupInt = std::numeric_limits<std::int16_t>::max();

std::string shownNumber(char table, double value)
{
    return table == 'I' ? std::to_string(static_cast<std::int64_t>(value)) : platform::formatFixed(value, 5);
}

// A parameter's default as both tables hold it: a real as the editor's single precision
// holds it (999.9999 is 999.99988), so that the analyzer's value is the very same number.
double defaultNumber(char table, int index)
{
    const double v = SetupParameter(table, index).defaultNumber;
    return table == 'R' ? static_cast<double>(static_cast<float>(v)) : v;
}

// One parameter as a file gives it: a number (whole for "I") or a text.
struct SetupValue {
    bool named = false;
    double number = 0;
    std::string text;
};

// The reading of a machine file's lines, the same for the analyzer and the editor: a
// line that names a parameter but whose value does not read, or lies outside the limits,
// gives the parameter its default, and a note says so: which line, and the value taken.
struct SetupReading {
    std::vector<SetupValue> values = std::vector<SetupValue>(ParameterCount);
    std::vector<int> missing; // the parameters no line names, in file order
};

SetupReading readSetupLines(const std::vector<std::string>& lines, std::vector<std::string>* notes)
{
    SetupReading reading;
    int lineNumber = 0;
    for (std::string line : lines) {
        ++lineNumber;
        if (line.size() > MaxLineLength)
            line.resize(MaxLineLength);
        const auto note = [&](const std::string& what) {
            if (notes)
                notes->push_back("Line " + std::to_string(lineNumber) + " \"" + line + "\": " + what);
        };
        const auto p = parseParameterLine(line);
        if (!p) {
            if (!line.empty() && isParameterLetter(line[0]))
                note("names no parameter");
            continue;
        }
        SetupValue& value = reading.values[static_cast<std::size_t>(fileOrder(p->table, p->index))];
        value.named = true;
        if (p->table == 'S') {
            value.text = setupString(p->valueText);
            continue;
        }
        std::optional<double> number = platform::parseReal(p->valueText);
        std::string fault = "not a number";
        if (number && p->table == 'I') {
            number = std::trunc(*number);
            if (*number < MinSetupInt || *number > MaxSetupInt) {
                fault = "not a whole number from -32768 to 32767";
                number.reset();
            }
        } else if (number && !SetupReal(*number)) {
            fault = "not a number from -3.4E+38 to 3.4E+38";
            number.reset();
        }
        value.number = number ? *number : defaultNumber(p->table, p->index);
        if (!number)
            note(fault + ", " + parameterName(p->table, p->index) + " is set to its default " +
                 shownNumber(p->table, value.number));
    }
    for (int order = 0; order < ParameterCount; ++order)
        if (!reading.values[static_cast<std::size_t>(order)].named)
            reading.missing.push_back(order);
    return reading;
}

// Hands each parameter the reading names to `set` (table, index, value).
template <typename Set>
void applyReading(const SetupReading& reading, Set set)
{
    for (int order = 0; order < ParameterCount; ++order) {
        const SetupValue& value = reading.values[static_cast<std::size_t>(order)];
        if (!value.named)
            continue;
        if (order < IntCount)
            set('I', order + 1, value);
        else if (order < IntCount + RealCount)
            set('R', order - IntCount + 1, value);
        else
            set('S', order - IntCount - RealCount + 1, value);
    }
}

} // namespace

void LoadMachineLines(TMachineSetup& setup, const std::string& fileName,
                      const std::vector<std::string>& lines, MachineTypeListener* listener,
                      std::vector<std::string>* notes)
{
    setup.FileName = fileName;
    const SetupReading reading = readSetupLines(lines, notes);
    applyReading(reading, [&](char table, int i, const SetupValue& value) {
        const auto n = static_cast<std::size_t>(i);
        if (table == 'I')
            setup.Ints[n] = static_cast<std::int32_t>(value.number);
        else if (table == 'R')
            setup.Reals[n] = value.number;
        else
            setup.Strs[n] = value.text;
    });
    const std::vector<int>& missing = reading.missing;
    // A parameter no file has given yet holds nothing the run can use (a cut-off file);
    // one an earlier file gave keeps that value, as a partial file means it to.
    std::vector<int> neverSet;
    for (int order : missing)
        if (!setup.Given[static_cast<std::size_t>(order)])
            neverSet.push_back(order);
    setup.Given.fill(true);
    for (int order : neverSet)
        setup.Given[static_cast<std::size_t>(order)] = false;
    if (notes && !neverSet.empty())
        notes->push_back("Not in the file and never set: " + parameterRuns(neverSet));

    if (setup.Ints[126] < 0 || setup.Ints[126] >= 10)
        setup.Ints[126] = 0;
    setup.PostOption = static_cast<std::uint8_t>(setup.Ints[126]);
    if (setup.PostOption == 1) {
        setup.Strs[10] = "R";
        setup.Strs[24].clear();
        setup.Strs[25].clear();
    }
    if (listener)
        listener->machineLoaded(setup.isLathe());
}

bool LoadMachineFile(TMachineSetup& setup, const std::string& fileName, MachineTypeListener* listener,
                     std::vector<std::string>* notes)
{
    const auto lines = platform::readTextLines(fileName);
    if (!lines)
        return false;
    LoadMachineLines(setup, fileName, *lines, listener, notes);
    return true;
}

std::optional<float> SetupReal(double value)
{
    if (!std::isfinite(value) || std::fabs(value) > std::numeric_limits<float>::max())
        return std::nullopt;
    return static_cast<float>(value);
}

void ReadMachineLines(MachineSetupWorkingCopy& copy, const std::vector<std::string>& lines,
                      std::vector<std::string>* notes)
{
    const SetupReading reading = readSetupLines(lines, notes);
    applyReading(reading, [&](char table, int i, const SetupValue& value) {
        const auto n = static_cast<std::size_t>(i);
        if (table == 'I')
            copy.mach_int[n] = static_cast<std::int16_t>(value.number);
        else if (table == 'R')
            copy.Mach_real[n] = static_cast<float>(value.number);
        else
            copy.Mach_Str[n] = value.text;
    });
    const std::vector<int>& missing = reading.missing;
    if (notes && !missing.empty())
        notes->push_back("Not in the file, kept as they were: " + parameterRuns(missing));
}

bool ReadMachineFile(MachineSetupWorkingCopy& copy, const std::string& fileName, std::vector<std::string>* notes)
{
    const auto lines = platform::readTextLines(fileName);
    if (!lines)
        return false;
    ReadMachineLines(copy, *lines, notes);
    return true;
}

std::string MachineFileNotesText(const std::string& fileName, const std::vector<std::string>& notes)
{
    constexpr std::size_t Shown = 12;
    std::string text = "Machine File [" + fileName + "] Does Not Read in Full:";
    for (std::size_t i = 0; i < notes.size() && i < Shown; ++i)
        text += "\n" + notes[i];
    if (notes.size() > Shown)
        text += "\n... and " + std::to_string(notes.size() - Shown) + " more";
    return text;
}

void MachineSetupWorkingCopy::SetDefaults()
{
    mach_int.fill(NotSetInt);
    Mach_real.fill(static_cast<float>(NotSetReal));
    Mach_Str.fill(NotSetString);
    mach_int[0] = 0;
    Mach_real[0] = 0;
    Mach_Str[0].clear();
    for (const SetupParameterInfo& p : kParameters) {
        const auto i = static_cast<std::size_t>(p.index);
        if (p.table == 'I')
            mach_int[i] = static_cast<std::int16_t>(p.defaultNumber);
        else if (p.table == 'R')
            Mach_real[i] = static_cast<float>(p.defaultNumber);
        else
            Mach_Str[i] = p.defaultString;
    }
}

std::vector<std::string> FormatMachineFile(const MachineSetupWorkingCopy& copy)
{
    std::vector<std::string> lines;
    lines.reserve(IntCount + RealCount + StrCount);
    const auto head = [](char table, int index) {
        return std::string(1, table) + platform::strInt(index, 5) + " ";
    };
    for (int i = 1; i <= IntCount; ++i)
        lines.push_back(head('I', i) + platform::strInt(copy.mach_int[static_cast<std::size_t>(i)]));
    for (int i = 1; i <= RealCount; ++i) {
        // A value no number can stand for is written as not set: the file stays readable.
        const float r = copy.Mach_real[static_cast<std::size_t>(i)];
        lines.push_back(head('R', i) + platform::strFixed(std::isfinite(r) ? r : NotSetReal, 5, 5));
    }
    for (int i = 1; i <= StrCount; ++i)
        lines.push_back(head('S', i) + copy.Mach_Str[static_cast<std::size_t>(i)].substr(0, MaxSetupString));
    return lines;
}

bool WriteMachineFile(const MachineSetupWorkingCopy& copy, const std::string& fileName, std::string* errorText)
{
    return platform::saveTextLinesAtomic(fileName, FormatMachineFile(copy), errorText);
}

const std::vector<SetupParameterInfo>& SetupParameters()
{
    return kParameters;
}

const SetupParameterInfo& SetupParameter(char table, int index)
{
    const int base = table == 'I' ? 0 : table == 'R' ? IntCount : IntCount + RealCount;
    const int count = table == 'I' ? IntCount : table == 'R' ? RealCount : StrCount;
    index = std::clamp(index, 1, count);
    return kParameters[static_cast<std::size_t>(base + index - 1)];
}

unsigned machineTypeBit(int machineType)
{
    return machineType >= 1 && machineType <= 5 ? 1u << (machineType - 1) : 0u;
}

const char* SetupGroupName(SetupGroup group)
{
    switch (group) {
    case Group::MachineType: return "Machine type";
    case Group::AxisNames: return "Axis Names";
    case Group::GCodes: return " -G- Codes";
    case Group::MCodes: return " -M- Codes";
    case Group::NumberFormats: return "Number formats";
    case Group::CostFactorsAndLimits: return "Cost factors and limits";
    case Group::SpindleParameters: return "Spindle parameters";
    case Group::SequenceNumbers: return "Sequence numbers";
    case Group::ToolCompensation: return "Tool/Cutter compensation codes";
    case Group::NotAsked: break;
    }
    return "";
}

const std::vector<std::string>& PostOptionLines()
{
    static const std::vector<std::string> lines = {
        "   0 = Normal Generic Post", "   1 = Bendix \"Event\" codes", "   2 = Acroloc Twin Spindle",
        "   3 = Warner & Swasey Sc-28, GE 100-S", "   4 = Warner & Swasey Sc-15, WS 5330",
        "   5 = Summit Bandit", "   6 = Bridgeport", "   7 = Bridgeport (Tab Sequential)",
        "   8 = HANSVEDT EDM", "   9 = Emco Maier CNC5", "  10 = Dyna Mechtronics"};
    return lines;
}

const std::vector<std::string>& ArcCentreMethodLines()
{
    static const std::vector<std::string> lines = {
        "   1 = Distance from tool point to center of arc.", "   2 = Distance from center of arc to tool point.",
        "   3 = Unsigned incremental values", "   4 = Absolute coordinates of the center",
        "   5 = Radius of arc \"R\" values", "   6 = Polar Coordinates (SHARNOA)", "   7 = Tree Journeyman 320"};
    return lines;
}

const std::vector<std::string>& NumberFormatLines()
{
    static const std::vector<std::string> lines = {"  0 = Decimal point programing", "  1 = Use leading zeros",
                                                   "  2 = Use Trailing zeros",
                                                   "  3 = Use leading and trailing zeros"};
    return lines;
}

const std::vector<std::string>& RegisterFormatLines()
{
    static const std::vector<std::string> lines = {"  0 = Suppress leading zeros", "  1 = Use leading zeros"};
    return lines;
}

std::string ThreadLeadRegisterWords(std::string_view s20)
{
    const char first = s20.empty() ? '\0' : s20.front();
    if (first == 'E')
        return "for the -E- register";
    if (first == 'F')
        return "for the -F- register";
    if (first == 'I')
        return "for the -I- & -K- registers";
    return "for the Thread lead register";
}

std::string RotaryIndexQuestion(std::string_view axisLetter)
{
    return "Time to Index -" + std::string(axisLetter) + "- Axis 360 Degrees";
}

} // namespace vork
