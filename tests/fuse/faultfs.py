#!/usr/bin/python3
"""A pass-through file system for tests that fails chosen operations on chosen paths.

    faultfs.py MOUNTPOINT -f -o source=DIR[,rules=FILE][,log=FILE][,FUSE options]

Everything under MOUNTPOINT is DIR's. The rules file (-o rules=FILE, or FAULTFS_RULES) is read again
whenever its text changes, so that a test changes the faults while the file system is mounted; a
change starts every count again. One rule a line, '#' starts a comment:

    OP GLOB ACTION [after=N] [times=K]

OP      an operation below, or '*'
GLOB    fnmatch pattern on the path relative to DIR ('.' is DIR itself); a rename or link matches
        by either of its two paths
ACTION  EIO, ENOSPC (or any errno name): the call fails with it
        short: a read or write moves half of what was asked (at least one byte); other calls
               run as usual
        eof: a read returns no bytes, as at the end of the file; other calls run as usual
        delay=SECONDS: the call waits, then runs as usual
after=N the first N calls that match pass untouched
times=K the rule acts K times, then lets calls pass (default: every call)

The first rule that acts on a call decides it; every matching rule counts the call. With -o log=FILE
(or FAULTFS_LOG) each call is logged as "OP PATH" (a read or write with " OFFSET+LENGTH"), each
fault as "FAULT OP PATH[ OFFSET+LENGTH] ACTION"; a delay logs "DELAY OP PATH" before it waits and
"RESUME OP PATH" after.

Operations: getattr fgetattr access readlink readdir mknod mkdir unlink rmdir symlink rename link
chmod chown truncate ftruncate utimens open create read write flush fsync release statfs

Start it with -f (it stays in the foreground) as a background job; unmount with fusermount3 -u
MOUNTPOINT. The tests mount with direct_io (every read and write reaches this file system, so a fault is never
hidden by the page cache and a short read reaches the caller), attr_timeout=0, entry_timeout=0,
negative_timeout=0 (every lookup comes here), use_ino, and hard_remove (a removed or replaced file is
gone at once, as on a local disk, with no .fuse_hidden file in its place).

What python-fuse (on libfuse 2) cannot pass on:
- rename has no flags: the kernel answers RENAME_NOREPLACE with EINVAL, and callers fall back;
- a directory's fsync is not served (python-fuse would be handed no usable path): the kernel takes
  that for success;
- calls on a file that was removed or replaced while open reach python-fuse without a path and fail
  with EINVAL there, so closing such a file reports EINVAL;
- no locks: the kernel keeps fcntl locks itself; no fallocate; no copy_file_range: between two
  files here the kernel copies through read and write, across file systems it answers EXDEV.
"""

import errno
import fnmatch
import os
import stat
import sys
import threading
import time

import fuse

fuse.fuse_python_api = (0, 2)

UTIME_NOW = (1 << 30) - 1
UTIME_OMIT = (1 << 30) - 2


class Rule:
    def __init__(self, line):
        words = line.split()
        if len(words) < 3:
            raise ValueError("rule needs OP GLOB ACTION: " + line)
        self.op, self.glob, self.action = words[0], words[1], words[2]
        self.after, self.times = 0, -1
        for w in words[3:]:
            key, _, value = w.partition("=")
            if key == "after":
                self.after = int(value)
            elif key == "times":
                self.times = int(value)
            else:
                raise ValueError("unknown word in rule: " + w)
        self.delay = None
        self.errno = None
        if self.action.startswith("delay="):
            self.delay = float(self.action[len("delay="):])
        elif self.action not in ("short", "eof"):
            self.errno = getattr(errno, self.action)
        self.seen = 0
        self.acted = 0

    def matches(self, op, paths):
        return (self.op in ("*", op)) and any(fnmatch.fnmatchcase(p, self.glob) for p in paths)


class Faults:
    """The rules now in force, and what they have counted."""

    def __init__(self, rules_path, log_path):
        self.rules_path = rules_path
        self.log_path = log_path
        self.text = None
        self.rules = []
        self.lock = threading.Lock()

    def _reload(self):
        try:
            with open(self.rules_path) as f:
                text = f.read()
        except (OSError, TypeError):
            text = ""
        if text == self.text:
            return
        self.text = text
        rules = []
        for line in text.splitlines():
            line = line.split("#", 1)[0].strip()
            if line:
                try:
                    rules.append(Rule(line))
                except (ValueError, AttributeError) as e:
                    sys.stderr.write("faultfs: ignored rule: %s (%s)\n" % (line, e))
        self.rules = rules

    def log(self, line):
        if self.log_path:
            with open(self.log_path, "a") as f:
                f.write(line + "\n")

    def check(self, op, *paths, detail=""):
        """The rule that acts on this call, or None; a delay is served here."""
        rel = [p.lstrip("/") or "." for p in paths]
        with self.lock:
            self._reload()
            self.log("%s %s%s" % (op, " ".join(rel), detail))
            acting = None
            for r in self.rules:
                if not r.matches(op, rel):
                    continue
                r.seen += 1
                if acting is None and r.seen > r.after and (r.times < 0 or r.acted < r.times):
                    r.acted += 1
                    acting = r
            if acting is not None and acting.delay is None:
                self.log("FAULT %s %s%s %s" % (op, " ".join(rel), detail, acting.action))
        if acting is not None and acting.delay is not None:
            with self.lock:
                self.log("DELAY %s %s" % (op, " ".join(rel)))
            time.sleep(acting.delay)
            with self.lock:
                self.log("RESUME %s %s" % (op, " ".join(rel)))
            return None
        if acting is not None and acting.errno is not None:
            raise OSError(acting.errno, os.strerror(acting.errno))
        return acting


faults = None  # set in main
source = None


def real(path):
    return os.path.join(source, path.lstrip("/"))


class FaultFile:
    """An open file: reads and writes go to the source file at the offsets the kernel gives."""

    def __init__(self, path, flags, *mode):
        faults.check("create" if mode else "open", path)
        self.path = path
        self.fd = os.open(real(path), flags | os.O_NOFOLLOW, *mode)

    def read(self, length, offset):
        rule = faults.check("read", self.path, detail=" %d+%d" % (offset, length))
        if rule is not None and rule.action == "eof":
            return b""
        if rule is not None and rule.action == "short":
            length = max(1, length // 2)
        return os.pread(self.fd, length, offset)

    def write(self, buf, offset):
        rule = faults.check("write", self.path, detail=" %d+%d" % (offset, len(buf)))
        if rule is not None and rule.action == "short":
            buf = buf[: max(1, len(buf) // 2)]
        return os.pwrite(self.fd, buf, offset)

    def fgetattr(self):
        faults.check("fgetattr", self.path)
        return os.fstat(self.fd)

    def ftruncate(self, length):
        faults.check("ftruncate", self.path)
        os.ftruncate(self.fd, length)

    def flush(self):
        faults.check("flush", self.path)

    def fsync(self, datasync):
        faults.check("fsync", self.path)
        if datasync:
            os.fdatasync(self.fd)
        else:
            os.fsync(self.fd)

    def release(self, flags):
        try:
            faults.check("release", self.path)
        finally:
            os.close(self.fd)


class FaultFS(fuse.Fuse):
    def getattr(self, path):
        faults.check("getattr", path)
        return os.lstat(real(path))

    def access(self, path, mode):
        faults.check("access", path)
        if not os.access(real(path), mode):
            return -errno.EACCES

    def readlink(self, path):
        faults.check("readlink", path)
        return os.readlink(real(path))

    def readdir(self, path, offset):
        faults.check("readdir", path)
        entries = [fuse.Direntry("."), fuse.Direntry("..")]
        with os.scandir(real(path)) as it:
            for e in it:
                st = e.stat(follow_symlinks=False)
                entries.append(fuse.Direntry(e.name, type=stat.S_IFMT(st.st_mode), ino=st.st_ino))
        return entries

    def mknod(self, path, mode, dev):
        faults.check("mknod", path)
        os.mknod(real(path), mode, dev)

    def mkdir(self, path, mode):
        faults.check("mkdir", path)
        os.mkdir(real(path), mode)

    def unlink(self, path):
        faults.check("unlink", path)
        os.unlink(real(path))

    def rmdir(self, path):
        faults.check("rmdir", path)
        os.rmdir(real(path))

    def symlink(self, target, path):
        faults.check("symlink", path)
        os.symlink(target, real(path))

    def rename(self, old, new):
        faults.check("rename", old, new)
        os.rename(real(old), real(new))

    def link(self, old, new):
        faults.check("link", old, new)
        os.link(real(old), real(new))

    def chmod(self, path, mode):
        faults.check("chmod", path)
        if stat.S_ISLNK(os.lstat(real(path)).st_mode):
            return -errno.EOPNOTSUPP
        os.chmod(real(path), mode)

    def chown(self, path, uid, gid):
        faults.check("chown", path)
        os.chown(real(path), uid, gid, follow_symlinks=False)

    def truncate(self, path, length):
        faults.check("truncate", path)
        os.truncate(real(path), length)

    def utimens(self, path, ts_acc, ts_mod):
        faults.check("utimens", path)
        st = os.lstat(real(path))
        now = time.time_ns()

        def ns(ts, old):
            if ts.tv_nsec == UTIME_NOW:
                return now
            if ts.tv_nsec == UTIME_OMIT:
                return old
            return ts.tv_sec * 10**9 + ts.tv_nsec

        os.utime(real(path), ns=(ns(ts_acc, st.st_atime_ns), ns(ts_mod, st.st_mtime_ns)), follow_symlinks=False)

    def statfs(self):
        faults.check("statfs", "/")
        return os.statvfs(source)


def main():
    global faults, source
    server = FaultFS(version="%prog 1", usage=__doc__, dash_s_do="setsingle")
    server.parser.add_option(mountopt="source", metavar="DIR", help="the directory passed through")
    server.parser.add_option(mountopt="rules", metavar="FILE", default=os.environ.get("FAULTFS_RULES"),
                             help="the rules file")
    server.parser.add_option(mountopt="log", metavar="FILE", default=os.environ.get("FAULTFS_LOG"),
                             help="where to log calls")
    server.parse(values=server, errex=2)
    if server.fuse_args.mount_expected():
        if not getattr(server, "source", None) or not os.path.isdir(server.source):
            sys.stderr.write("faultfs: -o source=DIR must name a directory\n")
            sys.exit(2)
    source = os.path.abspath(server.source or ".")
    faults = Faults(getattr(server, "rules", None), getattr(server, "log", None))
    server.file_class = FaultFile
    server.multithreaded = True
    server.main()


if __name__ == "__main__":
    main()
