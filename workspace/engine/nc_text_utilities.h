#pragma once
// The NC utilities that rewrite the text of the active editor line by line:
// resequencing, spaces between address words, line beginnings and ends, columns,
// file cleanup and the file splitter. Each runs in the batch frame of nc_batch.h and
// reads its options as the option dialogs hold them.
#include "workspace/engine/machine_settings.h"
#include "workspace/engine/nc_batch.h"

#include <functional>
#include <optional>
#include <string>

namespace mrw {

// Block numbers: renumbers every line (or, with removeAll, removes the numbers).
// Number fields that are not whole numbers, an increment or maximum digits below 1 and
// a negative start end the command before any change.
void DoResequence(BatchContext& context, const ResequenceOptions& options, bool removeAll);

// Removes every blank outside comment runs, or puts one blank before every letter A-Z
// outside comment runs that does not begin the line.
void DoAddRemoveSpaces(BatchContext& context, const CommentMarks& marks, bool addSpaces);

// Line end first (Efrom taken off where the line ends with it, Eto appended), then the
// beginning (Bfrom replaced by Bto, or Bto put in front).
void DoChangeLineBeginEnd(BatchContext& context, const LineBeginEndOptions& options);

// Blanks and tabs out of the code, each letter of Regorder moved right to its column
// (tab width x its place in the order), comments to the end of the line.
void DoMakeColumns(BatchContext& context, const MakeColumnsOptions& options, const CommentMarks& marks);

// The cleanup steps, each a batch of its own with its own caption.
void DoDeleteBeforePercent(BatchContext& context);
void DoRemoveControlChars(BatchContext& context);
void DoRemoveComments(BatchContext& context, const CommentMarks& marks);
void DoRemoveBlankLines(BatchContext& context);
void DoStripAfterProgramEnd(BatchContext& context);
void DoAddPercentAtEnd(BatchContext& context);

// The checked cleanup steps in their fixed order; fixLineEnds is the unstored
// "Fix EOL Characters".
void DoFileCleanup(BatchContext& context, const FileCleanupOptions& options, bool fixLineEnds, const CommentMarks& marks);

// ---- File splitter -------------------------------------------------------------------

struct FileSplitOptions {
    std::string folder;         // a path of this system
    std::string extension;      // without the dot
    std::string prefix = "%";   // written before and skipped in the text when one character
    std::string suffix = "%";
    bool askBeforeOverwrite = true;
    std::string programLetter = "O"; // ProgID: the first character of a program's first line
};

// Asked before an existing file is replaced: the Save As dialog with a title, the
// folder, the extension and the proposed path. Nothing means Cancel.
using SplitSaveAs = std::function<std::optional<std::string>(const std::string& title, const std::string& folder,
                                                              const std::string& extension,
                                                              const std::string& proposedPath)>;

// Writes one file per program ("O1000.TAP" from "O1000 ..."; a ":" program letter
// becomes "O"), 8-bit with CR LF; each file is written beside its target and renamed
// when complete. A file that cannot be written is named in the error and ends the split;
// files written before stay.
void DoFileSplit(BatchContext& context, const FileSplitOptions& options, const SplitSaveAs& saveAs);

} // namespace mrw
