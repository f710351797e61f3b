#include "startup.h"

#include "fileaccesserror.h"
#include "inistore.h"

std::unique_ptr<IniStore> openIniStore(const QString &folder)
{
    auto store = std::make_unique<IniStore>(folder);
    if (store->isOpen())
        return store;
    showOpenError(*store->openFailure());
    return nullptr;
}
