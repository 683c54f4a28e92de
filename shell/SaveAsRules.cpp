#include "shell/SaveAsRules.h"

#include <QFileInfo>

int SaveAsFilterForExtension(const QString &Extension)
{
    static const std::pair<const char *, int> filters[] = {{".htm", 1},  {".html", 1}, {".js", 2},  {".asp", 3},
                                                           {".aspx", 3}, {".php", 4},  {".as", 5},  {".vb", 6},
                                                           {".cs", 7},   {".css", 8},  {".wsf", 9}, {".svg", 10}};
    for (const auto &f : filters)
        if (Extension == QLatin1String(f.first))
            return f.second;
    return 0;
}

TSaveAsName DecideSaveAsName(const QString &Name, int Filter)
{
    TSaveAsName r{Name, false};
    const QString file = QFileInfo(Name).fileName();
    const int dot = int(file.lastIndexOf(QLatin1Char('.')));
    const QString ext = dot < 0 ? QString() : file.mid(dot).toLower();
    if (ext.isEmpty()) {
        if (Filter == 1)
            r.Name += QStringLiteral(".html");
        else if (Filter == 2)
            r.Name += QStringLiteral(".js");
        return r;
    }
    bool fits = true;
    switch (Filter) {
    case 1: fits = ext.contains(QLatin1String(".htm")); break;
    case 2: fits = ext == QLatin1String(".js"); break;
    case 3: fits = ext.contains(QLatin1String(".asp")); break;
    case 4: fits = ext.contains(QLatin1String(".php")); break;
    case 5: fits = ext == QLatin1String(".as"); break;
    case 6: fits = ext == QLatin1String(".vb"); break;
    case 7: fits = ext == QLatin1String(".cs"); break;
    case 8: fits = ext == QLatin1String(".css"); break;
    case 9: fits = ext == QLatin1String(".wsf"); break;
    case 10: fits = ext == QLatin1String(".svg"); break;
    default: break;
    }
    r.Confirm = !fits;
    return r;
}
