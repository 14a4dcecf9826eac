#include "debug/result_export.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "app/file_replacer.h"
#include "debug/result_table.h"

namespace {

QStringList HeaderRow()
{
    QStringList row;
    for (const ResultColumn& c : kResultColumns)
        row << QString::fromUtf8(c.header);
    return row;
}

// A cell as a spreadsheet may take it: text that would start a formula gets an apostrophe first.
QString SafeCell(const QString& text)
{
    static const QString kFormulaStart = QStringLiteral("=+-@\t\r");
    static const QRegularExpression kNumber(QStringLiteral("^[+-]?([0-9]+\\.?[0-9]*|\\.[0-9]+)([eE][+-]?[0-9]+)?$"));
    if (text.isEmpty() || !kFormulaStart.contains(text.front()) || kNumber.match(text).hasMatch())
        return text;
    return QLatin1Char('\'') + text;
}

QStringList CellRow(const ResultCells& cells, int row)
{
    QStringList out;
    for (int col = 0; col < kResultColumnCount; ++col)
        out << SafeCell(cells.Text(row, col));
    return out;
}

// A field in double quotes, its quotes doubled, when it holds one of the special characters.
QString Quoted(const QString& field, const QString& special)
{
    bool needs = false;
    for (QChar c : field)
        needs = needs || special.contains(c);
    if (!needs)
        return field;
    QString out = field;
    out.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + out + QLatin1Char('"');
}

QString Line(const QStringList& fields, QChar separator, const QString& special, const QString& end)
{
    QStringList quoted;
    for (const QString& f : fields)
        quoted << Quoted(f, special);
    return quoted.join(separator) + end;
}

} // namespace

QList<int> RowsWithContent(const ResultCells& cells)
{
    QList<int> rows;
    for (int row = 0; row < cells.RowCount(); ++row)
        for (int col = 0; col < kResultColumnCount; ++col)
            if (!cells.Text(row, col).isEmpty()) {
                rows << row;
                break;
            }
    return rows;
}

bool HasMeasuredValue(const ResultCells& cells)
{
    static const int kFigures[] = {ResultCol::NoKey, ResultCol::Pressed, ResultCol::Noise, ResultCol::Delta,
                                   ResultCol::Snr,   ResultCol::Threshold, ResultCol::Reliability};
    for (int row = 0; row < cells.RowCount(); ++row)
        for (int col : kFigures)
            if (!cells.Text(row, col).trimmed().isEmpty())
                return true;
    return false;
}

QString ResultsAsTsv(const ResultCells& cells, const QList<int>& rows)
{
    const QString special = QStringLiteral("\t\r\n\"");
    const QString end = QStringLiteral("\n");
    QString out = Line(HeaderRow(), QLatin1Char('\t'), special, end);
    for (int row : rows)
        out += Line(CellRow(cells, row), QLatin1Char('\t'), special, end);
    return out;
}

QByteArray ResultsAsCsv(const ResultCells& cells, const QList<int>& rows, const ResultExportInfo& info)
{
    const QString special = QStringLiteral(",\r\n\"");
    const QString end = QStringLiteral("\r\n");
    QString text;
    text += Line({QStringLiteral("导出时间"), info.when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))},
                 QLatin1Char(','), special, end);
    text += Line({QStringLiteral("串口号"), info.port >= 0 ? QString::number(info.port) : QStringLiteral("未打开")},
                 QLatin1Char(','), special, end);
    text += Line({QStringLiteral("键位"), info.keys.isEmpty() ? QStringLiteral("无") : info.keys}, QLatin1Char(','),
                 special, end);
    text += end;
    text += Line(HeaderRow(), QLatin1Char(','), special, end);
    for (int row : rows)
        text += Line(CellRow(cells, row), QLatin1Char(','), special, end);
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

bool SaveResultsFile(const QString& path, const QByteArray& bytes, FileReplacer& writer, QString* reason)
{
    if (QFileInfo(path).isDir()) {
        *reason = QStringLiteral("这是一个文件夹，不能写入。");
        return false;
    }
    const bool existed = QFileInfo::exists(path);
    QString why;
    switch (writer.Save(path, bytes, &why)) {
    case FileReplacer::Outcome::Replaced: return true;
    case FileReplacer::Outcome::NotWritable:
    case FileReplacer::Outcome::FolderNotWritable: *reason = why; break;
    case FileReplacer::Outcome::Failed:
        *reason = (existed ? QStringLiteral("写入失败，原有文件未被改动：") : QStringLiteral("写入失败：")) + why;
        break;
    }
    return false;
}

QString SuggestedResultFileName(const QDateTime& when)
{
    return QStringLiteral("检测结果_") + when.toString(QStringLiteral("yyyyMMdd_HHmmss")) + QStringLiteral(".csv");
}
