#include "gui/window/dropped_paths.h"

#include <QList>

namespace tunvex {

std::optional<std::vector<std::string>> LocalPathsFromUriList(const QByteArray& uriList,
                                                              const QByteArray& hostName) {
    std::vector<std::string> paths;
    for (QByteArray line : uriList.split('\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith('#'))
            continue;
        if (!line.toLower().startsWith("file://"))
            return std::nullopt;
        QByteArray rest = line.mid(7);
        qsizetype slash = rest.indexOf('/');
        QByteArray host = slash < 0 ? rest : rest.left(slash);
        if (slash < 0 || !(host.isEmpty() || host == "localhost" || host == hostName))
            return std::nullopt;
        QByteArray path = QByteArray::fromPercentEncoding(rest.mid(slash));
        // A NUL cannot be in a file name; a list that holds one is no list of files.
        if (path.contains('\0'))
            return std::nullopt;
        paths.push_back(path.toStdString());
    }
    if (paths.empty())
        return std::nullopt;
    return paths;
}

}  // namespace tunvex
