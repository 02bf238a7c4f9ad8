#include "durability/crash_states.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>

namespace halix::durability {

namespace fs = std::filesystem;

namespace {

std::string parentOf(const std::string& path) {
    return path.substr(0, path.rfind('/'));
}

std::string nameOf(const std::string& path) {
    return path.substr(path.rfind('/') + 1);
}

bool isData(FileOp::Kind kind) {
    return kind == FileOp::Kind::Write || kind == FileOp::Kind::Truncate;
}

bool isSync(FileOp::Kind kind) {
    return kind == FileOp::Kind::SyncFile || kind == FileOp::Kind::SyncDir;
}

// Whether the later operation `sync` makes `op` durable: a file's flush its data, a
// directory's flush the names made, moved or removed in it.
bool covers(const FileOp& sync, const FileOp& op) {
    if (isData(op.kind)) {
        return sync.kind == FileOp::Kind::SyncFile && sync.inode == op.inode;
    }
    return sync.kind == FileOp::Kind::SyncDir && sync.path == parentOf(op.path);
}

std::string under(const std::string& root, const std::string& into, const std::string& path) {
    return into + path.substr(root.size());
}

} // namespace

void TreeState::apply(const FileOp& op) {
    switch (op.kind) {
    case FileOp::Kind::Write: {
        std::vector<std::uint8_t>& bytes = contents[op.inode];
        const auto end = static_cast<std::size_t>(op.offset) + op.bytes.size();
        bytes.resize(std::max(bytes.size(), end), 0);
        std::ranges::copy(op.bytes, bytes.begin() + op.offset);
        break;
    }
    case FileOp::Kind::Truncate:
        contents[op.inode].resize(static_cast<std::size_t>(op.size), 0);
        break;
    case FileOp::Kind::NewInode:
        contents[op.inode].clear();
        break;
    case FileOp::Kind::Create:
        contents[op.inode].clear();
        names[op.path] = op.inode;
        break;
    case FileOp::Kind::Link:
        names[op.path] = op.inode;
        break;
    case FileOp::Kind::Rename:
        if (const auto found = names.find(op.path); found != names.end()) {
            names[op.other] = found->second;
            names.erase(op.path);
        }
        break;
    case FileOp::Kind::Exchange: {
        const auto from = names.find(op.path);
        const auto to = names.find(op.other);
        if (from != names.end() && to != names.end()) {
            std::swap(from->second, to->second);
        }
        break;
    }
    case FileOp::Kind::Unlink:
        names.erase(op.path);
        break;
    case FileOp::Kind::MakeDir:
        directories.insert(op.path);
        break;
    case FileOp::Kind::SyncFile:
    case FileOp::Kind::SyncDir:
        break;
    }
}

std::optional<std::vector<std::uint8_t>> TreeState::file(const std::string& path) const {
    const auto found = names.find(path);
    if (found == names.end()) {
        return std::nullopt;
    }
    const auto bytes = contents.find(found->second);
    return bytes == contents.end() ? std::vector<std::uint8_t>{} : bytes->second;
}

void TreeState::materialize(const std::string& root, const std::string& into) const {
    fs::create_directories(into);
    for (const std::string& directory : directories) {
        fs::create_directories(under(root, into, directory));
    }
    for (const auto& [path, inode] : names) {
        const std::string target = under(root, into, path);
        fs::create_directories(parentOf(target));
        std::ofstream out(target, std::ios::binary | std::ios::trunc);
        if (const auto bytes = contents.find(inode); bytes != contents.end()) {
            out.write(reinterpret_cast<const char*>(bytes->second.data()),
                      static_cast<std::streamsize>(bytes->second.size()));
        }
        out.close();
        fs::permissions(target, fs::perms(0600));
    }
    for (const auto& [path, target] : links) {
        const std::string link = under(root, into, path);
        fs::create_directories(parentOf(link));
        fs::create_symlink(target, link);
    }
    fs::permissions(into, fs::perms(0700));
}

TreeState snapshot(const std::string& root) {
    TreeState state;
    state.directories.insert(root);
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string path = entry.path().string();
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0) {
            continue;
        }
        if (S_ISDIR(info.st_mode)) {
            state.directories.insert(path);
        } else if (S_ISLNK(info.st_mode)) {
            state.links[path] = fs::read_symlink(entry.path()).string();
        } else if (S_ISREG(info.st_mode)) {
            const Inode inode{info.st_dev, info.st_ino};
            state.names[path] = inode;
            std::ifstream in(path, std::ios::binary);
            state.contents[inode].assign(std::istreambuf_iterator<char>(in),
                                         std::istreambuf_iterator<char>());
        }
    }
    return state;
}

int forEachCrashState(const TreeState& before, const std::vector<FileOp>& ops,
                      const std::set<std::string>& unclaimed,
                      const std::function<void(const TreeState& state, bool final)>& check) {
    const std::size_t count = ops.size();
    // The index of the operation that makes each one durable; count when none does.
    std::vector<std::size_t> durableAt(count, count);
    std::vector<bool> alwaysKept(count, false);
    for (std::size_t i = 0; i < count; ++i) {
        alwaysKept[i] = isSync(ops[i].kind) || ops[i].kind == FileOp::Kind::NewInode ||
                        unclaimed.contains(nameOf(ops[i].path));
        for (std::size_t j = i + 1; j < count && !alwaysKept[i]; ++j) {
            if (covers(ops[j], ops[i])) {
                durableAt[i] = j;
                break;
            }
        }
    }
    int states = 0;
    // Between two flushes nothing new becomes durable, so the states of a cut anywhere there
    // are those of a cut right before the next flush (or at the end), with fewer kept.
    for (std::size_t cut = 0; cut <= count; ++cut) {
        if (cut < count && !isSync(ops[cut].kind)) {
            continue;
        }
        std::vector<std::size_t> pending;
        for (std::size_t i = 0; i < cut; ++i) {
            if (!alwaysKept[i] && durableAt[i] >= cut) {
                pending.push_back(i);
            }
        }
        for (std::size_t kept = 0; kept <= pending.size(); ++kept) {
            TreeState state = before;
            std::size_t next = 0;
            for (std::size_t i = 0; i < cut; ++i) {
                const bool isPending = next < pending.size() && pending[next] == i;
                if (isPending) {
                    ++next;
                }
                if (!isPending || next <= kept) {
                    state.apply(ops[i]);
                }
            }
            check(state, cut == count && kept == 0);
            ++states;
        }
    }
    return states;
}

} // namespace halix::durability
