#include "cli/Cli.h"
#include "cli/CliSession.h"
#include "core/base/Error.h"
#include "core/session/Autostart.h"
#include "core/session/OptionsVisit.h"

#include <array>
#include <ostream>

namespace kw::cli {
namespace {

// The optional field flags both add and edit take.
struct FieldFlag {
    std::string_view flag;
    std::string ChannelFormFields::*field;
};
constexpr std::array kFieldFlags{
    FieldFlag{"--class0", &ChannelFormFields::class0}, FieldFlag{"--class1", &ChannelFormFields::class1},
    FieldFlag{"--class2", &ChannelFormFields::class2}, FieldFlag{"--class3", &ChannelFormFields::class3},
    FieldFlag{"--name", &ChannelFormFields::name},     FieldFlag{"--url", &ChannelFormFields::url},
    FieldFlag{"--link", &ChannelFormFields::link},     FieldFlag{"--memo", &ChannelFormFields::memo},
    FieldFlag{"--type", &ChannelFormFields::type},     FieldFlag{"--speed", &ChannelFormFields::speed}};

// The field flags given, each with its value (which may be empty).
std::vector<std::pair<std::string ChannelFormFields::*, std::string>> takeFields(
    std::vector<std::string>& args) {
    std::vector<std::pair<std::string ChannelFormFields::*, std::string>> given;
    for (const FieldFlag& flag : kFieldFlags) {
        std::string value;
        if (takeOption(args, flag.flag, value)) given.emplace_back(flag.field, std::move(value));
    }
    return given;
}

// One confirm on the visit's form, then the window's closing step.
int confirmAndClose(CliSession& cli, OptionsVisit& visit, ChannelFormFields& fields) {
    ChannelForm& form = *visit.form();
    ChannelForm::Focus focus = ChannelForm::Focus::None;
    cli.ui().messagesAreRefusals(true);
    const ChannelForm::Outcome outcome = form.confirm(fields, focus);
    cli.ui().messagesAreRefusals(false);
    if (outcome == ChannelForm::Outcome::Refused) form.closeClicked();
    visit.end();
    return outcome == ChannelForm::Outcome::Refused ? 1 : 0;
}

// kwave runs one command: no other visit can be open.
std::unique_ptr<OptionsVisit> openVisit(CliSession& cli, OptionsPage page) {
    std::unique_ptr<OptionsVisit> opened = cli->visitOptions(page);
    if (!opened) throw Error("The channel database is not open.");
    return opened;
}

int addChannel(CommandContext& context) {
    ChannelFormFields fields;
    fields.type = ChannelForm::kDefaultType;
    for (auto& [field, value] : takeFields(context.args)) fields.*field = std::move(value);
    expectArgCount(context.args, 0, 0);
    CliSession cli(context);
    const auto add = openVisit(cli, OptionsPage::Add);
    add->form()->enterPage(fields);
    return confirmAndClose(cli, *add, fields);
}

int editChannel(CommandContext& context) {
    auto changes = takeFields(context.args);
    expectArgCount(context.args, 1, 1);
    CliSession cli(context);
    const auto edit = openVisit(cli, OptionsPage::Edit);
    ChannelFormFields fields;
    if (!edit->form()->enterPage(fields, context.args[0])) throw Error(noChannelNamed(context.args[0]));
    // Only the flags given change a field, an empty value clearing it; the
    // address stays "7" (kept) unless given.
    for (auto& [field, value] : changes) fields.*field = std::move(value);
    return confirmAndClose(cli, *edit, fields);
}

bool onOff(const std::string& value) {
    if (value == "on") return true;
    if (value == "off") return false;
    throw UsageError("autostart must be on or off, not \"" + value + "\"");
}

std::string_view autostartState(const std::optional<bool>& on) {
    if (!on) return "unknown";  // no home folder to look in
    return *on ? "on" : "off";
}

bool parseFlag(const std::string& value) {
    if (value == "1") return true;
    if (value == "0") return false;
    throw UsageError("the value must be 0 or 1, not \"" + value + "\"");
}

// The settings page's values, changed one at a time through Settings OK.
int options(CommandContext& context) {
    auto& args = context.args;
    std::string password;
    const bool passwordGiven = takeOption(args, "--password", password);
    if (args.empty()) throw UsageError("missing arguments");
    const std::string action = args.front();
    args.erase(args.begin());
    // Starting with the session is the user's desktop setting, not the
    // program directory's, so it needs neither database nor password.
    if (action == "set" && args.size() == 2 && args[0] == "autostart") {
        Autostart().set(onOff(args[1]), executableFolder() / "kestrelwave");
        return 0;
    }
    CliSession cli(context);
    if (passwordGiven) cli.ui().answerPassword(password);
    const auto settings = openVisit(cli, OptionsPage::Settings);
    SetupValues values = settings->readSetupValues();
    if (action == "show") {
        expectArgCount(args, 0, 0);
        context.out << "IsAutoPlayLastChannel " << values.autoPlayLastChannel << "\nIsHideOnDeactive "
                    << values.hideOnDeactive << "\nSNDREC " << values.sndrec << "\nLockMode "
                    << (values.lockRadio ? std::to_string(storedLockMode(*values.lockRadio))
                                         : std::string("none"))
                    << "\nautostart " << autostartState(values.autostart) << '\n';
        return 0;
    }
    if (action != "set") throw UsageError("unknown action \"" + action + "\" (show or set)");
    expectArgCount(args, 2, 2);
    const std::string& key = args[0];
    const std::string& value = args[1];
    if (key == "IsAutoPlayLastChannel") {
        values.autoPlayLastChannel = parseFlag(value);
    } else if (key == "IsHideOnDeactive") {
        values.hideOnDeactive = parseFlag(value);
    } else if (key == "SNDREC") {
        values.sndrec = value;
    } else if (key == "LockMode") {
        const int mode = parseNumber(value, "LockMode");
        if (mode < 0 || mode > 2) throw UsageError("LockMode must be 0, 1 or 2");
        values.lockRadio = lockModeFromStored(mode);
    } else {
        throw UsageError("unknown key \"" + key +
                         "\" (IsAutoPlayLastChannel, IsHideOnDeactive, SNDREC, LockMode, autostart)");
    }
    settings->spSetupOKClick(values, {});
    return cli.ui().passwordRefused() ? 1 : 0;
}

constexpr std::array kCommands{
    Command{"add",
            "add --class0 C0 --name NAME --url URL [--class1 C1] [--class2 C2] [--class3 C3] [--link URL] "
            "[--memo TEXT] [--type TYPE] [--speed KBITS]",
            addChannel},
    Command{"edit", "edit NAME [--name NEW] [--url URL|7] [--class0 ..] [--link ..] [--memo ..] [...]",
            editChannel},
    Command{"options",
            "options show | options set KEY VALUE [--password PASSWORD]  (KEY: IsAutoPlayLastChannel, "
            "IsHideOnDeactive, SNDREC, LockMode; autostart on|off)",
            options},
};

}  // namespace

std::span<const Command> formCommands() { return kCommands; }

}  // namespace kw::cli
