// Reading an operator's 10,000 contacts: an ADIF log as a logger exports it (a dozen fields a
// record, half of them placed by GRIDSQUARE, a third by LAT/LON, the rest by neither), the
// same stations as a hand-made list, and the CSV table of them. Run: build/bench/station_file_bench
//   --benchmark_repetitions=9 --benchmark_report_aggregates_only=true
#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "base/number_text.h"
#include "geo/maidenhead.h"
#include "geodata/adif_log.h"
#include "geodata/station_list.h"
#include "geodata/station_table.h"

namespace {

constexpr int kContacts = 10000;

std::string Field(const char* name, const std::string& data) {
  return "<" + std::string(name) + ":" + std::to_string(data.size()) + ">" + data;
}

std::string AdifLocation(double degrees, char positive, char negative) {
  const double whole = std::floor(std::fabs(degrees));
  const std::string minutes = FormatFixed((std::fabs(degrees) - whole) * 60, 3);
  const std::string digits = FormatZeroPadded(whole, 3);
  return std::string(1, degrees < 0 ? negative : positive) + digits + " " + (minutes.size() < 6 ? "0" : "") +
         minutes;
}

struct Contacts {
  std::string log, list;
};

const Contacts& MakeContacts() {
  static const Contacts contacts = [] {
    Contacts made;
    made.log =
        "Exported for the benchmark\n" + Field("ADIF_VER", "3.1.4") + Field("PROGRAMID", "bench") + "<EOH>\n";
    std::mt19937 random(10000);
    std::uniform_real_distribution<double> lat(-80, 80), lon(-180, 180);
    for (int k = 0; k < kContacts; ++k) {
      const GeoPoint place{lat(random), lon(random)};
      const std::string call = "DL" + std::to_string(k) + "ABC";
      const std::string locator = LocatorOf(place, 6);
      made.log += Field("CALL", call) + Field("QSO_DATE", "20260321") + Field("TIME_ON", "1234") +
                  Field("BAND", "20m") + Field("MODE", "SSB") + Field("FREQ", "14.250") +
                  Field("RST_SENT", "59") + Field("RST_RCVD", "57") +
                  Field("NAME", "Operator " + std::to_string(k));
      if (k % 6 < 3) made.log += Field("GRIDSQUARE", locator);
      if (k % 6 >= 3 && k % 6 < 5) {
        made.log +=
            Field("LAT", AdifLocation(place.lat, 'N', 'S')) + Field("LON", AdifLocation(place.lon, 'E', 'W'));
      }
      made.log += Field("COMMENT", "tnx fer QSO, 73") + "<EOR>\n";
      made.list += (k % 2 ? locator : FormatFixed(place.lat, 4) + "," + FormatFixed(place.lon, 4)) + " " +
                   call + " Operator " + std::to_string(k) + "\n";
    }
    return made;
  }();
  return contacts;
}

void AdifLogOf10000Contacts(benchmark::State& state) {
  const Contacts& contacts = MakeContacts();
  for (auto _ : state) {
    const StationFile file = ReadAdifLog(contacts.log);
    if (file.stations.size() + file.withoutPlace != kContacts || file.broken) state.SkipWithError("misread");
    benchmark::DoNotOptimize(file);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * contacts.log.size()));
}

void StationListOf10000Lines(benchmark::State& state) {
  const Contacts& contacts = MakeContacts();
  for (auto _ : state) {
    const StationFile file = ReadStationList(contacts.list);
    if (file.stations.size() != kContacts) state.SkipWithError("misread");
    benchmark::DoNotOptimize(file);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * contacts.list.size()));
}

void TableOf10000Stations(benchmark::State& state) {
  const StationFile file = ReadStationList(MakeContacts().list);
  std::vector<StationTableRow> rows;
  for (const Station& station : file.stations) {
    rows.push_back({station.label, station.placeText, station.place, 1234.5, 45.6, 225.6});
  }
  for (auto _ : state) benchmark::DoNotOptimize(StationTableCsv(rows));
}

}  // namespace

BENCHMARK(AdifLogOf10000Contacts)->Unit(benchmark::kMillisecond);
BENCHMARK(StationListOf10000Lines)->Unit(benchmark::kMillisecond);
BENCHMARK(TableOf10000Stations)->Unit(benchmark::kMillisecond);
