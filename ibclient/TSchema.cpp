#include "ibclient/TIBSchema.h"

// Placeholder until the lookups are in place: nothing is computed, defaulted or keyed.
namespace {
class TNoSchema : public TIBSchema {
public:
    void FreeNodes() override {}
    bool Has_DEFAULT_VALUE(const QString&, const QString&) override { return false; }
    bool Has_COMPUTED_BLR(const QString&, const QString&) override { return false; }
    bool In_Key(const QString&, const QString&) override { return false; }
};
} // namespace

std::unique_ptr<TIBSchema> CreateSchema(TIBDatabase*)
{
    return std::make_unique<TNoSchema>();
}
