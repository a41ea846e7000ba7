// skerrowen-map's command line through Qt's parser: "--size 64" and "--size=64" alike, the
// options of the table and nothing else.
#include <QCommandLineParser>
#include <algorithm>

#include "geo/distance_unit.h"
#include "mapcli/map_options.h"

namespace {

// An argument is bytes, not text: each byte goes through the parser as one Latin-1 character,
// so a file name in any encoding comes back as it was typed.
QString Carried(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
std::string Bytes(const QString& carried) { return carried.toLatin1().toStdString(); }

QStringList QtNames(const MapOption& option) {
  QStringList names;
  for (const QString& name : QString(option.names).split(", "))
    names << name.mid(name.startsWith("--") ? 2 : 1);
  return names;
}

// The argument as it was typed that named the option `name`.
std::string Typed(const std::vector<std::string>& arguments, const QString& name) {
  for (const std::string& argument : arguments) {
    const QString bare = Carried(argument).section('=', 0, 0);
    if (bare == "-" + name || bare == "--" + name) return argument;
  }
  return "--" + Bytes(name);
}

std::string UnknownOption(const std::string& typed) {
  return "unknown option \"" + typed + "\" (see --help)";
}

// What Qt refuses besides an unknown option: a value missing at the end of the line, or a
// value given to an option that takes none.
std::string ValueProblem(const std::vector<std::string>& arguments, const QCommandLineParser& parser) {
  const std::string& last = arguments.back();
  const MapOption* option = FindMapOption(last);
  if (option != nullptr && *option->valueName && last.find('=') == std::string::npos)
    return LongName(*option) + ": the value is missing";
  for (const std::string& argument : arguments) {
    option = FindMapOption(argument);
    if (option != nullptr && !*option->valueName && argument.find('=') != std::string::npos)
      return LongName(*option) + " takes no value";
  }
  return parser.errorText().toStdString();
}

// What keeps the parsed line from being read option by option: an unknown option or argument,
// or a value missing. Empty when nothing does.
std::string LineProblem(const std::vector<std::string>& arguments, const QCommandLineParser& parser,
                        bool parsed) {
  const auto typed = [&](const std::string& argument) {
    return std::find(arguments.begin(), arguments.end(), argument) != arguments.end();
  };
  if (!parser.unknownOptionNames().isEmpty())
    return UnknownOption(Typed(arguments, parser.unknownOptionNames().first()));
  if (!parsed) return ValueProblem(arguments, parser);
  // A value typed on its own never starts with "--": that is the next option, and this one's
  // value is missing.
  for (const MapOption& option : MapOptionTable()) {
    if (!*option.valueName) continue;
    for (const QString& value : parser.values(QtNames(option).last())) {
      if (value.startsWith("--") && typed(Bytes(value))) return LongName(option) + ": the value is missing";
    }
  }
  // Qt takes "--" as the end of the options; this command has no other arguments.
  if (typed("--")) return UnknownOption("--");
  if (!parser.positionalArguments().isEmpty())
    return UnknownOption(Bytes(parser.positionalArguments().first()));
  return {};
}

}  // namespace

MapOptionsReading ReadMapOptions(const std::vector<std::string>& arguments) {
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  for (const MapOption& option : MapOptionTable())
    parser.addOption(QCommandLineOption(QtNames(option), option.help, option.valueName));
  QStringList line{"skerrowen-map"};
  for (const std::string& argument : arguments) line << Carried(argument);
  const bool parsed = parser.parse(line);

  MapOptionsReading reading;
  MapOptions options;
  const auto refuse = [&](std::string problem) {
    reading.problem = std::move(problem);
    return reading;
  };
  options.help = parser.isSet("help");
  options.version = parser.isSet("version");
  if (options.help || options.version) {
    reading.options = std::move(options);
    return reading;
  }
  if (std::string problem = LineProblem(arguments, parser, parsed); !problem.empty()) return refuse(problem);

  // The options in the order given, a second value of one refused: it would silently win. The
  // centre says so in its own words, as it has two options.
  std::vector<const MapOption*> taken;
  for (const QString& name : parser.optionNames()) {
    const MapOption& option = *FindMapOption("--" + Bytes(name));
    const bool again = std::find(taken.begin(), taken.end(), &option) != taken.end();
    taken.push_back(&option);
    if (*option.valueName && again && option.field != StationMapField::Centre)
      return refuse(LongName(option) + ": given twice");
    const std::string value = *option.valueName ? Bytes(parser.value(name)) : std::string();
    if (std::string why = option.take(value, options); !why.empty())
      return refuse(LongName(option) + ": " + why);
  }
  if (std::string problem = CheckMapOptionsTogether(options); !problem.empty()) return refuse(problem);
  // The rings are given in the operator's unit, wherever --units stands; a request holds km.
  options.request.ringsKm *= KilometresPer(options.request.units);
  reading.options = std::move(options);
  return reading;
}
