#include "catalogue_rules.h"
#include "testserver.h"

namespace {
class RulesTest : public TestServer { };
TEST_F(RulesTest, Smoke) { }
}
