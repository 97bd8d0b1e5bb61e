// One refresh of a 3,000-performer list: plain HTTP and HTTPS on a new connection each time,
// and HTTPS on a kept connection; the client's own CPU time (its thread's) beside the wall time.
// Then ten minutes of an unchanged list at the default interval (60 refreshes) with and without
// the conditional request: answers with a body, and the bytes the site sent for them.
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>

#include <unistd.h>

#include <benchmark/benchmark.h>

#include "SiteSimulator.h"
#include "net/HttpClient.h"
#include "net/HttpConnections.h"
#include "net/ProxySetting.h"

namespace {

constexpr int kPerformers = 3000;

double ThreadCpuMicroseconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec / 1e3;
}

// The site, over both schemes, with a certificate authority made for the run.
struct Site {
    Site()
    {
        dir = (std::filesystem::temp_directory_path() / ("sorvik-bench-" + std::to_string(::getpid()))).string();
        const std::string make = std::string(SORVIK_SOURCE_DIR) + "/scripts/make-test-ca '" + dir + "'";
        if (std::system(make.c_str()) != 0)
            return;
        setenv("SSL_CERT_FILE", (dir + "/ca.pem").c_str(), 1);
        sitesim::SiteSimulator::Options options;
        options.performers = kPerformers;
        options.churn = false;
        options.tlsCertificate = dir + "/site.pem";
        options.tlsKey = dir + "/site.key";
        sim = std::make_unique<sitesim::SiteSimulator>(options);
        if (!sim->Start())
            sim.reset();
        ProxySetting::Set("");
    }
    ~Site()
    {
        sim.reset();
        std::filesystem::remove_all(dir);
    }
    std::string Address(bool secure) const
    {
        return secure ? "https://localhost:" + std::to_string(sim->HttpsPort()) + "/include/js/online_performers.js"
                      : "http://127.0.0.1:" + std::to_string(sim->Port()) + "/include/js/online_performers.js";
    }

    std::string dir;
    std::unique_ptr<sitesim::SiteSimulator> sim;
};

Site& TheSite()
{
    static Site site;
    return site;
}

void Refresh(benchmark::State& state, bool secure, bool keepAlive)
{
    Site& site = TheSite();
    if (!site.sim) {
        state.SkipWithError("the simulated site did not start (openssl?)");
        return;
    }
    HttpConnections connections;
    HttpRequest request;
    request.url = wxString::FromUTF8(site.Address(secure));
    double cpu = 0;
    for (auto _ : state) {
        const double before = ThreadCpuMicroseconds();
        const HttpResponse response = HttpClient::Get(request, {}, keepAlive ? &connections : nullptr);
        cpu += ThreadCpuMicroseconds() - before;
        if (!response.IsSuccess()) {
            state.SkipWithError(response.Error().c_str());
            return;
        }
        benchmark::DoNotOptimize(response.body.size());
    }
    state.counters["client_cpu_us"] = benchmark::Counter(cpu, benchmark::Counter::kAvgIterations);
}

void BM_RefreshHttpNewConnection(benchmark::State& state) { Refresh(state, false, false); }
void BM_RefreshHttpsNewConnection(benchmark::State& state) { Refresh(state, true, false); }
void BM_RefreshHttpsKeptConnection(benchmark::State& state) { Refresh(state, true, true); }

void TenMinutes(benchmark::State& state, bool conditional)
{
    Site& site = TheSite();
    if (!site.sim) {
        state.SkipWithError("the simulated site did not start");
        return;
    }
    HttpConnections connections;
    double bodies = 0, bytes = 0;
    for (auto _ : state) {
        bodies = bytes = 0;
        std::string tag;
        for (int refresh = 0; refresh < 60; ++refresh) {
            HttpRequest request;
            request.url = wxString::FromUTF8(site.Address(true));
            if (conditional && !tag.empty())
                request.headers.emplace_back("If-None-Match", tag);
            const HttpResponse response = HttpClient::Get(request, {}, &connections);
            tag = response.Header("etag");
            if (response.status == 200) {
                ++bodies;
                bytes += std::atof(response.Header("content-length").c_str()); // as sent: compressed
            }
        }
    }
    state.counters["requests"] = 60;
    state.counters["answers_with_body"] = bodies;
    state.counters["body_bytes_sent"] = bytes;
}

void BM_TenMinutesUnconditional(benchmark::State& state) { TenMinutes(state, false); }
void BM_TenMinutesConditional(benchmark::State& state) { TenMinutes(state, true); }

} // namespace

BENCHMARK(BM_RefreshHttpNewConnection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshHttpsNewConnection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RefreshHttpsKeptConnection)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TenMinutesUnconditional)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_TenMinutesConditional)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
