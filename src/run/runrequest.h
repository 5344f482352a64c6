#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "engine/modedefinition.h"

// ProcessMode values: below 9 a count with mode slot ProcessMode (4: no mode chosen), 90..92 a
// line-ending conversion.
namespace ProcessModes {
inline constexpr qint16 NoMode = 4;
inline constexpr qint16 ToCrLf = 90;
inline constexpr qint16 ToCr = 91;
inline constexpr qint16 ToLf = 92;
constexpr bool isConversion(qint16 mode)
{
    return mode >= ToCrLf && mode <= ToLf;
}
} // namespace ProcessModes

// What the main window hands to the run dialog, and the outputs it gets back. One instance lives
// as long as the application object that owns it.
struct RunRequest {
    QString SourceDir;     // ends in the separator
    QStringList Files;     // names without folder, in list order
    QStringList FilePaths; // full paths when the files come from several folders; empty otherwise
    double TotalBytes = 0;
    bool StartWait = true;
    qint16 ProcessMode = ProcessModes::NoMode;
    // The user declined the run: the run dialog closed without starting a batch. A stop during
    // a batch is the host's cancelled(), not this.
    bool Cancelled = false;
    qint32 OutputCount = 0;
    QStringList OutputPaths{QString()}; // index 1..OutputCount; index 0 unused
};

enum class OutputType { PerFile = 0, Joined = 1 };

// Fixed by the run dialog when a batch starts, read by the engine and the report writers.
struct BatchFields {
    QString OutDir; // ends in the separator; the source folder for a conversion
    OutputType outputType = OutputType::PerFile;
    QString CsvName;
    ModeDefinition mode;
    int AreaCount = 1;
    double ProcessedBytes = 0;
};

// One line of the output list: item data k >= 1 stands for output k, 0 for a separator.
struct OutputEntry {
    QString text;
    qint32 itemData = 0;
    bool selected = false;

    bool operator==(const OutputEntry&) const = default;
};

// The main window's output list without the widget: entries and their selection.
class OutputList final {
public:
    const std::vector<OutputEntry>& entries() const { return m_entries; }

    // The four moves of adding an output: count it, list "(n) " + label selected, grow
    // OutputPaths and store the path.
    void addOutput(RunRequest& request, const QString& label, const QString& fullPath);

    // Fifty "-", item data 0, not selected; written before a batch when outputs are listed.
    void addSeparator();

    // "Clear": the list, OutputPaths and OutputCount all emptied.
    void clear(RunRequest& request);

private:
    std::vector<OutputEntry> m_entries;
};

// Labels of the entries other than the separator ("(n) " is added by addOutput).
QString CsvEntryLabel(const QString& csvName, qsizetype fileCount);
QString ConvertedEntryLabel(const QString& fileName, qint16 processMode);

// "CR+LF", "CR" or "LF" for a conversion mode, "" for a count.
QString ConversionTargetName(qint16 processMode);
