#pragma once
// A small RAM disk for what the program does when a disk is full: mounted
// over a temporary folder while the object lives, filled to the last byte
// on request. Mounting needs the right to (root on Linux); without it
// mounted() is false and the test skips.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <sys/mount.h>

class FullDisk {
public:
    explicit FullDisk(int megabytes = 16)
    {
        const QByteArray options = "size=" + QByteArray::number(megabytes) + "m";
        m_mounted = m_dir.isValid()
            && ::mount("tmpfs", QFile::encodeName(m_dir.path()).constData(), "tmpfs", 0, options.constData())
                == 0;
    }
    ~FullDisk()
    {
        if (m_mounted)
            ::umount2(QFile::encodeName(m_dir.path()).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk &) = delete;
    FullDisk &operator=(const FullDisk &) = delete;

    bool mounted() const { return m_mounted; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }

    // Takes every byte left.
    void fill()
    {
        QFile filler(filePath(QStringLiteral(".filler")));
        filler.open(QIODevice::Append | QIODevice::Unbuffered);
        const QByteArray chunk(64 * 1024, 'x');
        while (filler.write(chunk) == chunk.size()) { }
        // The last bytes, smaller than a chunk.
        while (filler.write("x", 1) == 1) { }
    }
    void makeRoom() { QFile::remove(filePath(QStringLiteral(".filler"))); }

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
};
