// MoveFileExW on POSIX file systems, never losing data:
// - without MOVEFILE_REPLACE_EXISTING an existing destination is refused
//   atomically (renameat2 with RENAME_NOREPLACE, or link then unlink where the
//   file system lacks it), never by a check before the rename;
// - with it, rename replaces the destination atomically; a directory never
//   replaces anything, and no file replaces a directory;
// - a name moved onto itself succeeds and changes nothing; a name moved onto
//   another name of the same file is refused with EEXIST (rename would do
//   nothing and report success);
// - MOVEFILE_CREATE_HARDLINK links instead of moving (with the replace flag,
//   through a temporary link and a rename); across file systems it moves;
// - across file systems (EXDEV), with MOVEFILE_COPY_ALLOWED, the source is
//   copied into a temporary file in the destination's folder, with its data
//   (holes kept), owner where allowed, mode, extended attributes and times,
//   put in place by rename (or no-replace rename or link), and only then is
//   the source removed. Until then, any failure removes the temporary file
//   and leaves the source and any old destination as they were;
// - MOVEFILE_WRITE_THROUGH flushes copied data before it is put in place,
//   and the folders of both names once the move is done;
// - MOVEFILE_DELAY_UNTIL_REBOOT fails with ENOTSUP: nothing here keeps a
//   move for the next start. MOVEFILE_FAIL_IF_NOT_TRACKABLE has nothing to
//   track. Any other flag bit fails with EINVAL.

#include <fcntl.h>
#include <signal.h>
#include <sys/random.h>
#include <sys/sendfile.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/posix/text.h"

namespace {

const DWORD KnownFlags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED | MOVEFILE_DELAY_UNTIL_REBOOT |
                         MOVEFILE_WRITE_THROUGH | MOVEFILE_CREATE_HARDLINK | MOVEFILE_FAIL_IF_NOT_TRACKABLE;

// The temporary entry that exists right now, for the signal handlers to
// remove before the process ends: an interrupted move leaves nothing behind.
// Set and cleared only with the signals blocked.
volatile sig_atomic_t pendingFolder = -1;
char pendingName[256];

const int CleanupSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGTERM};
const int CleanupSignalCount = sizeof CleanupSignals / sizeof CleanupSignals[0];

void RemovePendingAndDie(int signal)
{
    int folder = pendingFolder;
    if (folder >= 0) {
        unlinkat(folder, pendingName, 0);
    }
    // Die of the signal itself, so that the exit status tells what happened.
    struct sigaction fallback = {};
    fallback.sa_handler = SIG_DFL;
    sigaction(signal, &fallback, nullptr);
    raise(signal);
}

// Handlers for the signals that end a process, while a temporary entry may
// exist; a signal the caller ignores (nohup) stays ignored.
struct CleanupHandlers {
    struct sigaction previous[CleanupSignalCount];
    bool installed[CleanupSignalCount];
};

void InstallCleanup(CleanupHandlers* handlers)
{
    struct sigaction cleanup = {};
    cleanup.sa_handler = RemovePendingAndDie;
    sigfillset(&cleanup.sa_mask);
    for (int i = 0; i < CleanupSignalCount; ++i) {
        handlers->installed[i] = sigaction(CleanupSignals[i], nullptr, &handlers->previous[i]) == 0 &&
                                 handlers->previous[i].sa_handler != SIG_IGN &&
                                 sigaction(CleanupSignals[i], &cleanup, nullptr) == 0;
    }
}

void RestoreHandlers(CleanupHandlers* handlers)
{
    for (int i = 0; i < CleanupSignalCount; ++i) {
        if (handlers->installed[i]) {
            sigaction(CleanupSignals[i], &handlers->previous[i], nullptr);
        }
    }
}

void BlockCleanupSignals(sigset_t* previous)
{
    sigset_t block;
    sigemptyset(&block);
    for (int signal : CleanupSignals) {
        sigaddset(&block, signal);
    }
    sigprocmask(SIG_BLOCK, &block, previous);
}

void SetPending(int folder, const char* name)
{
    std::snprintf(pendingName, sizeof pendingName, "%s", name); // names are made to fit
    pendingFolder = folder;
}

void ClearPending()
{
    pendingFolder = -1;
}

// A path split into its folder and its last name, both NUL-terminated in
// storage of their own.
struct SplitPath {
    char* folder;
    const char* name;
};

bool Split(const char* path, SplitPath* split)
{
    const char* slash = std::strrchr(path, '/');
    const char* folder = ".";
    std::size_t folderLength = 1;
    if (slash != nullptr) {
        folder = path;
        folderLength = slash == path ? 1 : static_cast<std::size_t>(slash - path);
    }
    split->folder = static_cast<char*>(std::malloc(folderLength + 1));
    if (split->folder == nullptr) {
        return false;
    }
    std::memcpy(split->folder, folder, folderLength);
    split->folder[folderLength] = 0;
    split->name = slash != nullptr ? slash + 1 : path;
    return true;
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Whether two paths name one entry of one folder, however they are spelled.
bool SameName(const char* a, const char* b)
{
    SplitPath first, second;
    if (!Split(a, &first)) {
        return false;
    }
    if (!Split(b, &second)) {
        std::free(first.folder);
        return false;
    }
    struct stat firstFolder, secondFolder;
    bool same = first.name[0] != 0 && std::strcmp(first.name, second.name) == 0 &&
                stat(first.folder, &firstFolder) == 0 && stat(second.folder, &secondFolder) == 0 &&
                SameFile(firstFolder, secondFolder);
    std::free(first.folder);
    std::free(second.folder);
    return same;
}

// Both names lead to one file (lstat: a link is a file of its own).
bool SameInode(const char* a, const char* b)
{
    struct stat first, second;
    return lstat(a, &first) == 0 && lstat(b, &second) == 0 && SameFile(first, second);
}

int SyncFolder(const char* folder)
{
    int fd = open(folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        // A folder this user may not read cannot be synced by this user.
        return errno == EACCES || errno == EPERM ? 0 : errno;
    }
    int error = fsync(fd) == 0 ? 0 : errno;
    close(fd);
    // Some file systems cannot sync a folder; the data is as safe as it gets.
    return error == EINVAL || error == ENOTSUP ? 0 : error;
}

int SyncFolderOf(const char* path)
{
    SplitPath split;
    if (!Split(path, &split)) {
        return ENOMEM;
    }
    int error = SyncFolder(split.folder);
    std::free(split.folder);
    return error;
}

int SyncFoldersOf(const char* source, const char* destination)
{
    int error = SyncFolderOf(destination);
    return error != 0 ? error : SyncFolderOf(source);
}

// A name for a temporary entry beside the destination that says what it is:
// ".<destination>.repath-XXXXXX", cut to fit the longest name.
void TemporaryName(const char* destinationName, char* name, std::size_t size)
{
    unsigned char random[6];
    if (getrandom(random, sizeof random, GRND_NONBLOCK) != static_cast<ssize_t>(sizeof random)) {
        static unsigned counter = 0;
        unsigned mixed = static_cast<unsigned>(getpid()) * 2654435761u + ++counter;
        for (unsigned char& byte : random) {
            byte = static_cast<unsigned char>(mixed >>= 3);
        }
    }
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    char suffix[7];
    for (std::size_t i = 0; i < 6; ++i) {
        suffix[i] = letters[random[i] % (sizeof letters - 1)];
    }
    suffix[6] = 0;
    std::snprintf(name, size, ".%.200s.repath-%s", destinationName, suffix);
}

// Puts the temporary entry in place under the destination's name.
int PlaceTemporary(int folder, const char* temporary, const char* name, bool replace)
{
    if (replace) {
        return renameat(folder, temporary, folder, name) == 0 ? 0 : errno;
    }
    if (renameat2(folder, temporary, folder, name, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    if (errno != EINVAL && errno != ENOSYS) {
        return errno;
    }
    if (linkat(folder, temporary, folder, name, 0) != 0) {
        return errno;
    }
    unlinkat(folder, temporary, 0);
    return 0;
}

// The rename itself. Without replace: refused atomically if the destination
// exists. With replace: rename, but a directory replaces nothing.
int Rename(const char* source, const char* destination, bool replace)
{
    struct stat sourceStat;
    if (replace && lstat(source, &sourceStat) == 0) {
        struct stat destinationStat;
        if (lstat(destination, &destinationStat) == 0 && SameFile(sourceStat, destinationStat)) {
            return SameName(source, destination) ? 0 : EEXIST;
        }
        replace = !S_ISDIR(sourceStat.st_mode);
    }
    if (replace) {
        return rename(source, destination) == 0 ? 0 : errno;
    }
    if (renameat2(AT_FDCWD, source, AT_FDCWD, destination, RENAME_NOREPLACE) == 0) {
        return 0;
    }
    int error = errno;
    if (error == EEXIST) {
        return SameInode(source, destination) && SameName(source, destination) ? 0 : EEXIST;
    }
    if (error != EINVAL && error != ENOSYS) {
        return error;
    }
    // No RENAME_NOREPLACE on this file system: link, which never replaces,
    // then drop the old name. A directory cannot be linked; EINVAL then also
    // means a folder moved into itself.
    if (lstat(source, &sourceStat) != 0) {
        return errno;
    }
    if (S_ISDIR(sourceStat.st_mode)) {
        return error;
    }
    if (link(source, destination) != 0) {
        return errno == EEXIST && SameName(source, destination) ? 0 : errno;
    }
    return unlink(source) == 0 ? 0 : errno;
}

int HardLink(const char* source, const char* destination, bool replace)
{
    if (SameName(source, destination)) {
        struct stat ignored;
        return lstat(source, &ignored) == 0 ? 0 : errno;
    }
    if (!replace) {
        return link(source, destination) == 0 ? 0 : errno;
    }
    SplitPath split;
    if (!Split(destination, &split)) {
        return ENOMEM;
    }
    int error = 0;
    int folder = open(split.folder, O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder < 0) {
        error = errno;
    }
    char temporary[256];
    CleanupHandlers handlers;
    InstallCleanup(&handlers);
    sigset_t unblocked;
    while (error == 0) {
        TemporaryName(split.name, temporary, sizeof temporary);
        BlockCleanupSignals(&unblocked);
        bool made = linkat(AT_FDCWD, source, folder, temporary, 0) == 0;
        if (made) {
            SetPending(folder, temporary);
        } else if (errno != EEXIST) {
            error = errno;
        }
        sigprocmask(SIG_SETMASK, &unblocked, nullptr);
        if (made) {
            break;
        }
    }
    if (error == 0) {
        struct stat made;
        fstatat(folder, temporary, &made, AT_SYMLINK_NOFOLLOW);
        if (renameat(folder, temporary, folder, split.name) != 0) {
            error = errno;
        }
        // A rename onto another name of the same file does nothing; the
        // temporary link is still there then.
        BlockCleanupSignals(&unblocked);
        struct stat left;
        if (fstatat(folder, temporary, &left, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(left, made)) {
            unlinkat(folder, temporary, 0);
        }
        ClearPending();
        sigprocmask(SIG_SETMASK, &unblocked, nullptr);
    }
    RestoreHandlers(&handlers);
    if (folder >= 0) {
        close(folder);
    }
    std::free(split.folder);
    return error;
}

// Copies length bytes at offset: in the kernel where the two file systems
// allow it, else through sendfile, else through a buffer.
int CopyRange(int in, int out, off_t offset, off_t length, int* method, char** buffer)
{
    const std::size_t bufferSize = 1 << 20;
    while (length > 0) {
        std::size_t chunk = length > (1 << 30) ? (1 << 30) : static_cast<std::size_t>(length);
        ssize_t done = -1;
        if (*method == 0) {
            off_t from = offset, to = offset;
            done = copy_file_range(in, &from, out, &to, chunk, 0);
            if (done < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL || errno == EOPNOTSUPP ||
                             errno == EBADF || errno == EPERM)) {
                *method = 1;
                continue;
            }
        } else if (*method == 1) {
            off_t from = offset;
            if (lseek(out, offset, SEEK_SET) < 0) {
                return errno;
            }
            done = sendfile(out, in, &from, chunk);
            if (done < 0 && (errno == EINVAL || errno == ENOSYS)) {
                *method = 2;
                continue;
            }
        } else {
            if (*buffer == nullptr && (*buffer = static_cast<char*>(std::malloc(bufferSize))) == nullptr) {
                return ENOMEM;
            }
            done = pread(in, *buffer, chunk < bufferSize ? chunk : bufferSize, offset);
            for (ssize_t written = 0; done > 0 && written < done;) {
                ssize_t now =
                    pwrite(out, *buffer + written, static_cast<std::size_t>(done - written), offset + written);
                if (now < 0) {
                    if (errno == EINTR) {
                        continue;
                    }
                    return errno;
                }
                written += now;
            }
        }
        if (done < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        if (done == 0) {
            return 0; // the source got shorter; the check after the copy tells
        }
        offset += done;
        length -= done;
    }
    return 0;
}

// Copies the data of a file of the given size, leaving its holes as holes.
int CopyData(int in, int out, off_t size)
{
    int method = 0;
    char* buffer = nullptr;
    int error = 0;
    for (off_t position = 0; position < size;) {
        off_t data = lseek(in, position, SEEK_DATA);
        off_t hole = size;
        if (data < 0) {
            if (errno == ENXIO) {
                break; // only a hole is left
            }
            data = position; // no hole finding here: copy it all
        } else {
            hole = lseek(in, data, SEEK_HOLE);
            if (hole < 0 || hole > size) {
                hole = size;
            }
        }
        if (data >= size) {
            break;
        }
        if ((error = CopyRange(in, out, data, hole - data, &method, &buffer)) != 0) {
            break;
        }
        position = hole;
    }
    std::free(buffer);
    if (error != 0) {
        return error;
    }
    return ftruncate(out, size) == 0 ? 0 : errno;
}

// Extended attributes the destination cannot hold, or may not be given by
// this user, are left behind; any other failure fails the copy.
int CopyAttributes(int in, int out)
{
    ssize_t size = flistxattr(in, nullptr, 0);
    if (size <= 0) {
        return size == 0 || errno == ENOTSUP ? 0 : errno;
    }
    char* names = static_cast<char*>(std::malloc(static_cast<std::size_t>(size)));
    if (names == nullptr) {
        return ENOMEM;
    }
    int error = 0;
    size = flistxattr(in, names, static_cast<std::size_t>(size));
    if (size < 0) {
        error = errno;
    }
    char* value = nullptr;
    for (ssize_t at = 0; error == 0 && at < size; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
        const char* name = names + at;
        ssize_t length = fgetxattr(in, name, nullptr, 0);
        char* grown =
            length >= 0 ? static_cast<char*>(std::realloc(value, static_cast<std::size_t>(length) + 1)) : nullptr;
        if (length < 0 || grown == nullptr) {
            error = length < 0 ? errno : ENOMEM;
            break;
        }
        value = grown;
        length = fgetxattr(in, name, value, static_cast<std::size_t>(length));
        bool failed = length < 0 || (fsetxattr(out, name, value, static_cast<std::size_t>(length), 0) != 0 &&
                                     errno != ENOTSUP && errno != EPERM && errno != EACCES);
        if (failed) {
            error = errno;
        }
    }
    std::free(value);
    std::free(names);
    return error;
}

bool Unchanged(const struct stat& before, const struct stat& after)
{
    return before.st_size == after.st_size && before.st_mtim.tv_sec == after.st_mtim.tv_sec &&
           before.st_mtim.tv_nsec == after.st_mtim.tv_nsec && before.st_ctim.tv_sec == after.st_ctim.tv_sec &&
           before.st_ctim.tv_nsec == after.st_ctim.tv_nsec;
}

// Makes the temporary copy of a regular file: data, owner, mode, extended
// attributes, times; with write-through, on disk.
int CopyFileTo(int in, const struct stat& source, int out, bool writeThrough)
{
    int error = CopyData(in, out, source.st_size);
    if (error != 0) {
        return error;
    }
    if (fchown(out, source.st_uid, source.st_gid) != 0) {
        int ignored = fchown(out, static_cast<uid_t>(-1), source.st_gid); // the group, where allowed
        (void)ignored;
    }
    if (fchmod(out, source.st_mode & 07777) != 0) {
        return errno;
    }
    if ((error = CopyAttributes(in, out)) != 0) {
        return error;
    }
    struct timespec times[2] = {source.st_atim, source.st_mtim};
    if (futimens(out, times) != 0) {
        return errno;
    }
    struct stat after;
    if (fstat(in, &after) != 0) {
        return errno;
    }
    if (!Unchanged(source, after)) {
        return EBUSY; // written to while it was copied: the copy is not the file
    }
    if (writeThrough && fsync(out) != 0) {
        return errno;
    }
    return 0;
}

// Creates the temporary entry for a source of the given kind in folder.
// Returns 0 with the name in temporary (and, for a file, the open copy in
// *out), or an errno value with nothing left behind.
int CreateTemporary(int folder, const char* name, const struct stat& sourceStat, const char* linkTarget,
                    char* temporary, int* out)
{
    *out = -1;
    for (;;) {
        TemporaryName(name, temporary, 256);
        sigset_t unblocked;
        BlockCleanupSignals(&unblocked);
        int result;
        if (S_ISREG(sourceStat.st_mode)) {
            result = *out = openat(folder, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        } else if (S_ISLNK(sourceStat.st_mode)) {
            result = symlinkat(linkTarget, folder, temporary);
        } else {
            result = mkfifoat(folder, temporary, 0600);
        }
        int error = result >= 0 ? 0 : errno;
        if (error == 0) {
            SetPending(folder, temporary);
        }
        sigprocmask(SIG_SETMASK, &unblocked, nullptr);
        if (error != EEXIST) {
            return error;
        }
    }
}

// Owner, mode and times of a link or FIFO made in place of the source.
int CopySpecialMetadata(int folder, const char* temporary, const struct stat& source)
{
    if (fchownat(folder, temporary, source.st_uid, source.st_gid, AT_SYMLINK_NOFOLLOW) != 0) {
        int ignored = fchownat(folder, temporary, static_cast<uid_t>(-1), source.st_gid, AT_SYMLINK_NOFOLLOW);
        (void)ignored;
    }
    if (!S_ISLNK(source.st_mode) && fchmodat(folder, temporary, source.st_mode & 07777, 0) != 0) {
        return errno;
    }
    struct timespec times[2] = {source.st_atim, source.st_mtim};
    return utimensat(folder, temporary, times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : errno;
}

char* ReadLinkTarget(const char* path, off_t sizeHint)
{
    std::size_t size = sizeHint > 0 ? static_cast<std::size_t>(sizeHint) + 1 : 256;
    for (;;) {
        char* target = static_cast<char*>(std::malloc(size));
        if (target == nullptr) {
            errno = ENOMEM;
            return nullptr;
        }
        ssize_t length = readlink(path, target, size);
        if (length < 0) {
            std::free(target);
            return nullptr;
        }
        if (static_cast<std::size_t>(length) < size) {
            target[length] = 0;
            return target;
        }
        std::free(target);
        size *= 2;
    }
}

// A move across file systems: copy beside the destination, put the copy in
// place, then remove the source.
int CopyAcross(const char* source, const char* destination, DWORD flags)
{
    bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    bool writeThrough = (flags & MOVEFILE_WRITE_THROUGH) != 0;

    struct stat sourceStat;
    if (lstat(source, &sourceStat) != 0) {
        return errno;
    }
    if (S_ISDIR(sourceStat.st_mode)) {
        return EXDEV; // a folder does not cross file systems
    }
    if (!S_ISREG(sourceStat.st_mode) && !S_ISLNK(sourceStat.st_mode) && !S_ISFIFO(sourceStat.st_mode)) {
        return ENOTSUP; // sockets and devices are not files to copy
    }
    struct stat existing;
    if (!replace && lstat(destination, &existing) == 0) {
        return EEXIST; // spares the copy; the refusal that counts is atomic
    }

    int in = -1;
    char* linkTarget = nullptr;
    if (S_ISREG(sourceStat.st_mode)) {
        in = open(source, O_RDONLY | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC);
        struct stat opened;
        if (in < 0 || fstat(in, &opened) != 0) {
            int error = errno;
            if (in >= 0) {
                close(in);
            }
            return error;
        }
        if (!SameFile(opened, sourceStat)) {
            close(in);
            return EBUSY; // replaced while we looked
        }
        sourceStat = opened;
    } else if (S_ISLNK(sourceStat.st_mode) && (linkTarget = ReadLinkTarget(source, sourceStat.st_size)) == nullptr) {
        return errno;
    }

    SplitPath split;
    if (!Split(destination, &split)) {
        if (in >= 0) {
            close(in);
        }
        std::free(linkTarget);
        return ENOMEM;
    }
    int error = 0;
    int folder = -1;
    if (split.name[0] == 0 || std::strcmp(split.name, ".") == 0 || std::strcmp(split.name, "..") == 0) {
        error = EISDIR;
    } else if ((folder = open(split.folder, O_PATH | O_DIRECTORY | O_CLOEXEC)) < 0) {
        error = errno;
    }

    char temporary[256];
    bool created = false;
    CleanupHandlers handlers;
    InstallCleanup(&handlers);
    if (error == 0) {
        int out = -1;
        error = CreateTemporary(folder, split.name, sourceStat, linkTarget, temporary, &out);
        created = error == 0;
        if (error == 0 && out >= 0) {
            error = CopyFileTo(in, sourceStat, out, writeThrough);
            if (close(out) != 0 && error == 0) {
                error = errno;
            }
        } else if (error == 0) {
            error = CopySpecialMetadata(folder, temporary, sourceStat);
        }
    }
    sigset_t unblocked;
    BlockCleanupSignals(&unblocked);
    if (error == 0) {
        error = PlaceTemporary(folder, temporary, split.name, replace);
        created = error != 0;
    }
    if (created) {
        unlinkat(folder, temporary, 0);
    }
    ClearPending();
    sigprocmask(SIG_SETMASK, &unblocked, nullptr);
    RestoreHandlers(&handlers);
    if (error == 0 && writeThrough) {
        error = SyncFolder(split.folder);
    }
    if (in >= 0) {
        close(in);
    }
    if (folder >= 0) {
        close(folder);
    }
    std::free(split.folder);
    std::free(linkTarget);
    if (error != 0) {
        return error;
    }

    // The copy is in place. A source that cannot be removed is a failure:
    // success would hide the leftover. A name that meanwhile holds another
    // file is not ours to remove.
    struct stat now;
    if (lstat(source, &now) != 0) {
        return errno;
    }
    if (!SameFile(now, sourceStat)) {
        return EBUSY;
    }
    if (unlink(source) != 0) {
        return errno;
    }
    return writeThrough ? SyncFolderOf(source) : 0;
}

int Move(const char* source, const char* destination, DWORD flags)
{
    bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
    bool writeThrough = (flags & MOVEFILE_WRITE_THROUGH) != 0;
    if (flags & MOVEFILE_CREATE_HARDLINK) {
        int error = HardLink(source, destination, replace);
        if (error != EXDEV) {
            return error == 0 && writeThrough ? SyncFolderOf(destination) : error;
        }
    }
    int error = Rename(source, destination, replace);
    if (error == 0) {
        return writeThrough ? SyncFoldersOf(source, destination) : 0;
    }
    if (error == EXDEV && (flags & MOVEFILE_COPY_ALLOWED)) {
        return CopyAcross(source, destination, flags);
    }
    return error;
}

} // namespace

BOOL MoveFileExW(LPCWSTR existing, LPCWSTR destination, DWORD flags)
{
    if (existing == nullptr || destination == nullptr || (flags & ~KnownFlags) != 0) {
        SetLastError(EINVAL);
        return FALSE;
    }
    if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) {
        SetLastError(ENOTSUP);
        return FALSE;
    }
    char* source = BytesFromWide(existing, nullptr);
    char* target = source != nullptr ? BytesFromWide(destination, nullptr) : nullptr;
    int error = target != nullptr ? Move(source, target, flags) : errno;
    std::free(source);
    std::free(target);
    if (error != 0) {
        SetLastError(static_cast<DWORD>(error));
        return FALSE;
    }
    return TRUE;
}
