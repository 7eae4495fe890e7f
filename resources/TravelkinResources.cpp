#include "TravelkinResources.h"

#include <QtGlobal>

#include <mutex>

void InitTravelkinResources()
{
    static std::once_flag registered;
    std::call_once(registered, [] {
        Q_INIT_RESOURCE(travelkin);
        Q_INIT_RESOURCE(layouts);
    });
}
