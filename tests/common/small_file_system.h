#pragma once
// A file system that can be filled up: a tmpfs of 32 KiB mounted on a temporary folder for the
// life of the object (Linux, as root). mounted() tells whether that worked.

#include <QFile>
#include <QTemporaryDir>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <unistd.h>
#endif

class SmallFileSystem {
public:
    SmallFileSystem()
    {
#ifdef Q_OS_LINUX
        if (::geteuid() != 0 || !m_dir.isValid())
            return;
        const QByteArray where = QFile::encodeName(m_dir.path());
        m_mounted = ::mount("morvek-test", where.constData(), "tmpfs", MS_NOSUID | MS_NODEV, "size=32k,mode=0755") == 0;
#endif
    }
    ~SmallFileSystem()
    {
#ifdef Q_OS_LINUX
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
#endif
    }
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }

    // Writes a filler file until the file system has no room left.
    bool FillUp()
    {
        QFile filler(m_dir.filePath(QStringLiteral("filler")));
        if (!filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            return false;
        const QByteArray block(512, 'f');
        for (int i = 0; i < 1000; ++i)
            if (filler.write(block) != block.size())
                return true;
        return false;
    }

private:
    QTemporaryDir m_dir;  // outlives the mount
    bool m_mounted = false;
};
