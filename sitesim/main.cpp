// The simulated Tabuno site, for the demo and for trying the plug-in by hand.
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <sstream>
#include <string>
#include <thread>

#include "SiteSimulator.h"

namespace {

std::atomic<bool> g_quit{false};

void OnSignal(int)
{
    g_quit = true;
}

void Usage(std::ostream& out)
{
    out << "usage: sitesim [--port N] [--performers N] [--seed N] [--no-churn]\n"
           "               [--update-dir DIR] [--offered-version V] [--signing-key PEM]\n"
           "               [--release signed|unsigned|tampered|tampered-skin|wrong-key|forged|rollback|\n"
           "                          mixed|expired|oversized] [--tls-cert PEM --tls-key PEM]\n"
           "               [--account USER:PASSWORD[:FAV1,FAV2,...[:MAIL]]]...\n"
           "Serves the Tabuno site on 127.0.0.1. --port 0 picks a free port and prints it.\n"
           "Control routes: /_sim/performers, /_sim/churn?on=0|1, /_sim/tick,\n"
           "/_sim/fault?route=R&fault=F, /_sim/faults/clear, /_sim/release?kind=K,\n"
           "/_sim/script, /_sim/account,\n"
           "/_sim/log (GET to read, POST to clear).\n";
}

bool ParseInt(const char* text, int& value)
{
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < 0 || v > 10000000)
        return false;
    value = static_cast<int>(v);
    return true;
}

// An option that takes a number; false when 'arg' is not one or 'text' is not a fit number.
bool NumberOption(const std::string& arg, const char* text, sitesim::SiteSimulator::Options& options)
{
    int number = 0;
    if (!ParseInt(text, number))
        return false;
    if (arg == "--port" && number < 65536)
        options.port = number;
    else if (arg == "--performers")
        options.performers = number;
    else if (arg == "--seed")
        options.seed = static_cast<unsigned>(number);
    else
        return false;
    return true;
}

// An option that takes a word or a path; false when 'arg' is not one or 'text' does not fit.
bool TextOption(const std::string& arg, const char* text, sitesim::SiteSimulator::Options& options)
{
    if (arg == "--update-dir")
        options.updateDir = text;
    else if (arg == "--offered-version")
        options.offeredVersion = text;
    else if (arg == "--signing-key")
        options.signingKey = text;
    else if (arg == "--release")
        return sitesim::SiteSimulator::ParseRelease(text, options.release);
    else if (arg == "--tls-cert")
        options.tlsCertificate = text;
    else if (arg == "--tls-key")
        options.tlsKey = text;
    else
        return false;
    return true;
}

// "USER:PASSWORD[:FAV1,FAV2,...[:MAIL]]"; false without a user name.
bool ParseAccount(const char* text, std::string& user, sitesim::Account& account)
{
    std::istringstream in(text);
    std::string favorites, mail;
    std::getline(in, user, ':');
    std::getline(in, account.password, ':');
    std::getline(in, favorites, ':');
    std::getline(in, mail, ':');
    std::istringstream favs(favorites);
    std::string name;
    while (std::getline(favs, name, ','))
        if (!name.empty())
            account.favorites.push_back(name);
    account.unreadMail = std::atoi(mail.c_str());
    return !user.empty();
}

} // namespace

int main(int argc, char** argv)
{
    sitesim::SiteSimulator::Options options;
    options.port = 8080;
    std::vector<std::pair<std::string, sitesim::Account>> accounts;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (arg == "--help" || arg == "-h") {
            Usage(std::cout);
            return 0;
        }
        if (arg == "--no-churn") {
            options.churn = false;
            continue;
        }
        std::string user;
        sitesim::Account account;
        if (value && arg == "--account" && ParseAccount(value, user, account)) {
            accounts.emplace_back(user, account);
        } else if (!value || (!NumberOption(arg, value, options) && !TextOption(arg, value, options))) {
            std::cerr << "sitesim: unknown or incomplete option " << arg << "\n";
            Usage(std::cerr);
            return 2;
        }
        ++i;
    }

    sitesim::SiteSimulator site(options);
    for (auto& a : accounts)
        site.SetAccount(a.first, a.second);
    if (!site.Start()) {
        std::cerr << "sitesim: cannot listen on 127.0.0.1:" << options.port << "\n";
        return 1;
    }
    std::signal(SIGINT, OnSignal);
    std::signal(SIGTERM, OnSignal);
    if (site.HttpsPort() > 0)
        std::cout << "sitesim listening for https on 127.0.0.1:" << site.HttpsPort() << std::endl;
    std::cout << "sitesim listening on 127.0.0.1:" << site.Port() << std::endl;
    while (!g_quit)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    site.Stop();
    return 0;
}
