#include "app/file_problem.h"

#include <QFile>
#include <QFileInfo>

QString FileOpenProblem(const QString& path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("文件不存在。");
    if (info.isDir())
        return QStringLiteral("这是一个文件夹，不是文件。");
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("没有读取该文件的权限。");
    return QStringLiteral("读取文件时出错。");
}
