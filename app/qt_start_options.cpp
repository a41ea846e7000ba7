// The window program's command line through Qt's parser: --maps-folder with or without
// "=DIR", -h or --help, --version.
#include <QCommandLineParser>
#include <algorithm>

#include "app/start_options.h"

namespace {

// An argument is bytes, not text: each byte goes through the parser as one Latin-1 character,
// so a folder named in any encoding comes back as it was typed.
QString Carried(const std::string& bytes) {
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}
std::string Bytes(const QString& carried) { return carried.toLatin1().toStdString(); }

// The argument as it was typed that named the option `name`.
std::string Typed(const std::vector<std::string>& arguments, const QString& name) {
  for (const std::string& argument : arguments) {
    const QString bare = Carried(argument).section('=', 0, 0);
    if (bare == "-" + name || bare == "--" + name) return argument;
  }
  return "--" + Bytes(name);
}

// Qt's options take a value always or never; --maps-folder takes one or none, so one given
// without goes to the parser with an empty value. Typed with "=" and nothing after, it names
// no folder: `folderLeftOut` tells.
QStringList ParserLine(const std::vector<std::string>& arguments, bool& folderLeftOut) {
  QStringList line{"skerrowen"};
  for (const std::string& argument : arguments) {
    QString carried = Carried(argument);
    if (carried == "--maps-folder" || carried == "-maps-folder") {
      carried += '=';
    } else if (carried == "--maps-folder=" || carried == "-maps-folder=") {
      folderLeftOut = true;
    }
    line << carried;
  }
  return line;
}

}  // namespace

StartOptions ParseStartOptions(const std::vector<std::string>& arguments) {
  const QCommandLineOption help({"h", "help"}, {}), version("version"), mapsFolder("maps-folder", {}, "DIR");
  QCommandLineParser parser;
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.addOptions({help, version, mapsFolder});
  bool folderLeftOut = false;
  const bool parsed = parser.parse(ParserLine(arguments, folderLeftOut));

  StartOptions options;
  const auto refuse = [&](std::string problem) {
    options.action = StartOptions::Action::Refuse;
    options.problem = std::move(problem);
    return options;
  };
  const auto unknown = [&](const std::string& typed) { return refuse("unknown argument '" + typed + "'"); };
  if (parser.isSet(help)) {
    options.action = StartOptions::Action::ShowHelp;
    return options;
  }
  if (parser.isSet(version)) {
    options.action = StartOptions::Action::ShowVersion;
    return options;
  }
  if (folderLeftOut) return refuse("--maps-folder= needs a folder");
  if (!parser.unknownOptionNames().isEmpty())
    return unknown(Typed(arguments, parser.unknownOptionNames().first()));
  if (!parsed) return refuse(Bytes(parser.errorText()));
  // Qt takes "--" as the end of the options; this program has no other arguments.
  if (std::find(arguments.begin(), arguments.end(), "--") != arguments.end()) return unknown("--");
  if (!parser.positionalArguments().isEmpty()) return unknown(Bytes(parser.positionalArguments().first()));
  if (parser.isSet(mapsFolder)) {
    options.useMapsFolder = true;
    options.mapsFolder = Bytes(parser.values(mapsFolder).last());
  }
  return options;
}
