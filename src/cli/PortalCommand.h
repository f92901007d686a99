// `korvi portal [--print-url]`: opens the PBX's user portal in the browser already logged in,
// with a response computed from the PBX's challenge instead of the PIN. --print-url prints
// the one-time login URL instead of opening it.
#pragma once

#include <memory>

#include "cli/PbxCommand.h"
#include "pbx/UrlOpener.h"

namespace korvi::cli {

class PortalCommand final : public PbxCommand {
public:
    // The opener that receives the URL; xdg-open when none is given.
    explicit PortalCommand(UrlOpener* opener = nullptr);

    std::string_view Name() const override { return "portal"; }
    std::string_view Summary() const override {
        return "Open the PBX user portal in the browser, logged in";
    }
    std::string Usage() const override { return "korvi portal [--print-url] [connection options]"; }

protected:
    std::vector<OptionSpec> OwnOptions() const override;
    bool WorksOnContactType() const override { return false; }
    [[nodiscard]] int RunFlow(const ParsedArgs& args, CliIo& io, PbxSession& session,
                              CliFlow& flow) override;

private:
    std::unique_ptr<UrlOpener> m_ownOpener;
    UrlOpener* m_opener;
};

}  // namespace korvi::cli
