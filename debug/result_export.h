#pragma once
// The results table taken out of the program: tab-separated text for the clipboard (ready to
// paste into a spreadsheet) and a CSV file.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>

class FileReplacer;
class ResultCells;

// Rows worth taking out when the user chose none: every row with at least one non-empty cell.
QList<int> RowsWithContent(const ResultCells& cells);

// Whether any row holds a figure of a measurement: a measured or a derived one (columns 1, 2, 3,
// 6, 7, 10, 11), taken or typed in. Key names and the settings' defaults alone are not results.
bool HasMeasuredValue(const ResultCells& cells);

// The header row and the given rows, cells separated by tabs, rows ended by a line feed. A cell
// holding a tab, a line break or a double quote is put in double quotes with its quotes
// doubled, as spreadsheets read pasted text.
QString ResultsAsTsv(const ResultCells& cells, const QList<int>& rows);

// What the CSV file says about the measurement besides the table.
struct ResultExportInfo {
    QDateTime when;
    int port = -1;          // number of the serial port the data came from; -1: none opened
    QString keys;           // the key set, e.g. "TK0 TK2 TK5"; empty: no key reported
};

// A cell whose text is not a number and begins with "=", "+", "-", "@", a tab or a carriage
// return would run as a formula in a spreadsheet: both the clipboard text and the CSV file write
// it after an apostrophe. Numbers, negative ones included, stay as they are.
//
// The CSV file: UTF-8 with a byte-order mark, lines ended by CR LF, fields quoted as RFC 4180
// says (a field holding a comma, a double quote or a line break is put in double quotes with its
// quotes doubled). First a block with the date and time, the port number and the key set, an
// empty line, then the header row and the given rows, twelve columns each.
QByteArray ResultsAsCsv(const ResultCells& cells, const QList<int>& rows, const ResultExportInfo& info);

// Writes the CSV file through writer, all or nothing: a failure leaves any existing file as it
// was, and no new file. A folder is refused, and so is what the writers' check refuses (a file
// that carries no write permission at all, the owner's write protection respected even where
// this user could override it; a file this user may not write; a folder that takes no new file),
// before anything is written. False on failure, with *reason a short description for the user
// that gives the system's reason.
bool SaveResultsFile(const QString& path, const QByteArray& bytes, FileReplacer& writer, QString* reason);

// The file name the save dialog suggests, e.g. "检测结果_20240701_093000.csv".
QString SuggestedResultFileName(const QDateTime& when);
