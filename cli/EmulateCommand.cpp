// emulate: the radio emulator served on a loopback TCP port, for
// "--radio tcp:HOST:PORT" from other processes.
#include "cli/Commands.h"

#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>

#include "cli/CliCommon.h"
#include "cli/Interrupt.h"
#include "radio/sim/EmulatorServer.h"

namespace pendrak::cli {

namespace {

struct EmulateOptions {
    CommonOptions common;
    std::string strListen;
    std::string strMemory;
    EmulatorOptions emulator;
    std::string strBlockFormat = "2";
};

// The emulator answers anyone who connects; it is for this machine only.
bool IsLoopbackHost(const std::string& host) {
    return host == "localhost" || host == "::1" || host.rfind("127.", 0) == 0;
}

void ParseListen(const std::string& text, std::string& host, uint16_t& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size())
        UsageFail("--listen wants HOST:PORT, for example 127.0.0.1:0");
    host = text.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string portText = text.substr(colon + 1);
    if (portText.size() > 5 || portText.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(portText) > 65535)
        UsageFail("bad port '" + portText + "' in --listen (0 picks a free one)");
    if (!IsLoopbackHost(host)) UsageFail("--listen takes a loopback address (127.0.0.1, localhost or ::1)");
    port = static_cast<uint16_t>(std::stoul(portText));
}

int RunEmulate(EmulateOptions& options) {
    std::string host;
    uint16_t port = 0;
    ParseListen(options.strListen, host, port);
    if (options.strBlockFormat.size() != 1) UsageFail("--block-format takes one character, for example 1 or 2");
    options.emulator.blockFormatDigit = options.strBlockFormat[0];
    const std::string problem = CRadioEmulator::CheckOptions(options.emulator);
    if (!problem.empty()) UsageFail(problem);
    StartUp(options.common);

    const bool quiet = options.common.bQuiet;
    EmulatorServerHooks hooks;
    hooks.onListening = [&host](uint16_t bound) {
        std::cout << "listening on " << host << ':' << bound << std::endl;
    };
    hooks.onEvent = [quiet](const std::string& event) {
        if (!quiet) std::cerr << event << std::endl;
    };
    std::string error;
    if (!RunEmulatorServer(host, port, options.emulator, options.strMemory, InterruptFlag(), hooks, &error))
        Fail(error);
    return EXIT_OK;
}

}  // namespace

void AddEmulateCommand(CLI::App& app, CommandList& commands) {
    auto emulate = std::make_shared<EmulateOptions>();
    EmulatorFaults& faults = emulate->emulator.faults;
    CLI::App* cmd = app.add_subcommand("emulate", "Serve the radio emulator on a loopback TCP port until stopped");
    cmd->add_option("--listen", emulate->strListen, "HOST:PORT to listen on; port 0 picks a free port")
        ->required();
    AsPath(cmd->add_option("--memory", emulate->strMemory,
                           "File holding the radio's memory (created as a fresh radio when "
                           "missing); locked while serving, every block written through"))
        ->required();
    cmd->add_option("--contact-area", emulate->emulator.contactAreaAddress,
                    "Radio address of the contact region (information item 15)")
        ->capture_default_str();
    cmd->add_option("--block-format", emulate->strBlockFormat,
                    "Block format digit of the version record: 1 or less narrow, 2 or more wide")
        ->capture_default_str();
    cmd->add_option("--version-text", faults.versionText, "Bytes 0-7 of the version record")->capture_default_str();
    cmd->add_option("--version-length", faults.versionRecordLength, "Data bytes of the version record")
        ->capture_default_str();
    cmd->add_option("--silent-from-exchange", faults.silentFromExchange,
                    "Fault: no reply from this exchange on (counted from 1)");
    cmd->add_option("--silent-from-block", faults.silentFromBlock,
                    "Fault: no reply from this block command on (counted from 1)");
    cmd->add_option("--short-reply-at", faults.shortReplyAt, "Fault: these exchanges' replies lose their last byte");
    cmd->add_option("--nak-at", faults.nakAt, "Fault: these exchanges answer NAK instead of ACK");
    cmd->add_option(
        "--wrong-address-from-block", faults.wrongAddressFromBlock,
        "Fault: replies to block reads from this block command on carry a wrong address "
        "(a Read fails there; writes are answered by ACK alone and are not affected)");
    cmd->add_option("--oversize-info-item", faults.oversizeInfoItem,
                    "Fault: this information item announces 65 data bytes");
    cmd->add_option("--corrupt-block", faults.corruptBlock,
                    "Fault: this block command, a write, stores its last byte changed (acknowledged)");
    AddCommonOptions(*cmd, emulate->common);
    commands.push_back({cmd, [emulate] { return RunEmulate(*emulate); }});
}

}  // namespace pendrak::cli
