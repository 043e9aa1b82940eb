#pragma once

// The simulator's end of the line: a pseudo-terminal pair, and the link
// ports/COM<n> in the tool's program directory that makes its slave end
// port n for the tool. POSIX only.

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace velmora::sim {

class PseudoTerminal {
public:
    // Opens a pair in raw mode at the nominal rate `baud`; nullptr and a
    // reason in `error` when that fails. The master end is non-blocking.
    static std::unique_ptr<PseudoTerminal> open(int baud, std::string &error);
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal &) = delete;
    PseudoTerminal &operator=(const PseudoTerminal &) = delete;

    int master() const { return m_master; }
    const std::string &slaveName() const { return m_slaveName; }

private:
    PseudoTerminal(int master, int slave, std::string slaveName);

    int m_master;
    // Kept open so the line does not hang up between the tool's opens.
    int m_slave;
    std::string m_slaveName;
};

// ports/COM<n> pointing at the pseudo-terminal for as long as it lives.
class PortLink {
public:
    // Creates the link (and ports/ when missing). An existing link to a
    // pseudo-terminal, or one that points nowhere, is left over from an
    // earlier run and is replaced; anything else (a link to a real device
    // that a user pinned, a file, a folder) is kept and the creation fails.
    // `note` tells what was replaced.
    static std::unique_ptr<PortLink> create(const std::filesystem::path &programDir, int port,
        const std::string &target, std::string &error, std::string &note);
    // Removes the link if it still points at our target (another run may
    // have taken the number over meanwhile), and ports/ if this link made it
    // and it is empty now.
    ~PortLink();
    PortLink(const PortLink &) = delete;
    PortLink &operator=(const PortLink &) = delete;

    const std::filesystem::path &path() const { return m_path; }

private:
    PortLink(std::filesystem::path path, std::string target, bool madeFolder);

    std::filesystem::path m_path;
    std::string m_target;
    bool m_madeFolder;
};

// True for the slave name of a pseudo-terminal (/dev/pts/N, /dev/ttysNNN).
bool isPseudoTerminalName(const std::string &path);

// The tool's program directory when none is given: the folder of a velmora
// program beside the simulator, or in the top or app/ folder of the build
// tree that holds the simulator; otherwise build/default (or its app/
// folder, where the program is) under `workingDir`.
std::filesystem::path defaultProgramDir(
    const std::filesystem::path &simulatorDir, const std::filesystem::path &workingDir);

} // namespace velmora::sim
