#include "PrivateDbusDaemon.h"

PrivateDbusDaemon::PrivateDbusDaemon(const std::filesystem::path& servicesFolder) {
    const std::string config = (dir_ / "bus.conf").string();
    std::string services;
    if (!servicesFolder.empty()) {
        std::filesystem::create_directories(servicesFolder);
        services = "  <servicedir>" + servicesFolder.string() + "</servicedir>\n";
    }
    TempDir::writeFile(config,
                       "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                       " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                       "<busconfig>\n"
                       "  <type>session</type>\n"
                       "  <listen>unix:path=" + (dir_ / "bus").string() + "</listen>\n"
                       "  <auth>EXTERNAL</auth>\n" +
                       services +
                       "  <policy context=\"default\">\n"
                       "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
                       "    <allow eavesdrop=\"true\"/>\n"
                       "    <allow own=\"*\"/>\n"
                       "  </policy>\n"
                       "</busconfig>\n");
    server_ = ServerProcess::start({"dbus-daemon", "--nofork", "--nopidfile", "--config-file=" + config,
                                    "--print-address={fd}"},
                                   error_);
}

const std::string& PrivateDbusDaemon::address() const {
    static const std::string none;
    return server_ ? server_->announcement() : none;
}
