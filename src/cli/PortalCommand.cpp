#include "cli/PortalCommand.h"

#include <ostream>
#include <string>

#include "cli/ArgParser.h"
#include "cli/Cli.h"
#include "cli/CliFlow.h"
#include "cli/CliIo.h"
#include "cli/PbxSession.h"
#include "flows/ServiceFlows.h"
#include "services/Services.h"

namespace korvi::cli {

PortalCommand::PortalCommand(UrlOpener* opener) : m_opener(opener) {
    if (m_opener == nullptr) {
        m_ownOpener = std::make_unique<XdgUrlOpener>();
        m_opener = m_ownOpener.get();
    }
}

std::vector<OptionSpec> PortalCommand::OwnOptions() const {
    return {{"print-url", "", "print the login URL (valid for one login) instead of opening it"}};
}

namespace {

// --print-url: the login URL (valid for one login) on standard output instead of the browser.
class PrintingOpener final : public UrlOpener {
public:
    explicit PrintingOpener(CliIo& io) : m_io(io) {}
    Result OpenUrl(const std::string& url) override {
        m_io.out() << url << '\n';
        return {};
    }

private:
    CliIo& m_io;
};

}  // namespace

int PortalCommand::RunFlow(const ParsedArgs& args, CliIo& io, PbxSession&, CliFlow& flow) {
    const bool print = args.Has("print-url");
    PrintingOpener printer(io);
    if (!flows::LaunchPortal(flow.ctx(), print ? printer : *m_opener).ok()) return kExitFailure;
    if (!print) {
        const KorviSettings& fields = flow.ctx().settings;
        io.out() << "Opened the user portal of " << fields.pbxUrl << " for " << fields.userName
                 << " in the browser\n";
    }
    return kExitOk;
}

}  // namespace korvi::cli
