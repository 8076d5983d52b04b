// PluginException, and the slots that both adapter families answer alike.
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "lumenrt/plugins/exch/exch_factory.h"
#include "lumenrt/plugins/ibackup.h"
#include "lumenrt/plugins/iconfig.h"
#include "lumenrt/plugins/irestore.h"
#include "lumenrt/plugins/iselection_list.h"
#include "lumenrt/plugins/mapi/mapi_factory.h"
#include "lumenrt/plugins/mapi/mapi_naming.h"
#include "lumenrt/plugins/plugin_exception.h"

#include "plug_support.h"

namespace {

TEST(PluginException, KeepsAtMost255CharactersAlwaysTerminated) {
  struct Row {
    const char* text;
    std::size_t kept;
  };
  const std::string s255(255, 'a'), s256(256, 'b'), s300(300, 'c');
  for (const Row& row : {Row{s255.c_str(), 255}, Row{s256.c_str(), 255}, Row{s300.c_str(), 255},
                         Row{"short", 5}, Row{"", 0}, Row{nullptr, 0}}) {
    Plugins::PluginException e(row.text, 1);
    EXPECT_EQ(e.code, 1);
    EXPECT_EQ(std::strlen(e.message), row.kept);
    if (row.text != nullptr) {
      EXPECT_EQ(std::string(e.message), std::string(row.text).substr(0, row.kept));
    }
    Plugins::PluginException copy(e);
    EXPECT_EQ(std::memcmp(copy.message, e.message, sizeof e.message), 0);
    EXPECT_EQ(copy.code, 1);
  }
  try {
    throw Plugins::PluginException("by value", 7);
  } catch (const Plugins::PluginException& e) {  // thrown by value
    EXPECT_STREQ(e.message, "by value");
    EXPECT_EQ(e.code, 7);
  }
}

TEST(AdapterFamilies, FactoriesDescribeThemselvesAndReleaseNullQuietly) {
  ExchFactoryImpl exch;
  MapiFactoryImpl mapi;
  EXPECT_STREQ(exch.getDescription(), "MS Exchange Disaster Recovery Module.");
  EXPECT_STREQ(mapi.getDescription(), "MS Exchange Mailbox module");
  for (Plugins::IFactory* f :
       {static_cast<Plugins::IFactory*>(&exch), static_cast<Plugins::IFactory*>(&mapi)}) {
    EXPECT_EQ(f->reserved3(), 1);
    EXPECT_EQ(f->reserved6(), 0);
    f->releaseBackup(nullptr);
    f->releaseRestore(nullptr);
    f->releaseConfig(nullptr);
    f->releaseSelectionList(nullptr);
    f->releaseRestore2(nullptr);
    f->releaseRestore(f->createRestore());  // any release slot deletes through the destructor
  }
}

TEST(AdapterFamilies, ExtendConfigAnswersTheServiceAndRefusesNull) {
  plugtest::MapService service({});
  ExchFactoryImpl exch;
  MapiFactoryImpl mapi;
  for (Plugins::IFactory* f :
       {static_cast<Plugins::IFactory*>(&exch), static_cast<Plugins::IFactory*>(&mapi)}) {
    Plugins::IConfig* config = f->createConfig();
    EXPECT_EQ(config->extendConfig(&service), &service);
    try {
      config->extendConfig(nullptr);
      ADD_FAILURE() << "no exception";
    } catch (const Plugins::PluginException& e) {
      EXPECT_EQ(e.code, 1);
      EXPECT_STREQ(e.message, "ExchConfigImpl.extendConfig: Bad ICfgService interface.");
    }
    f->releaseConfig(config);
  }
}

TEST(AdapterFamilies, ReservedSlotsAnswerTheirFixedValues) {
  ExchFactoryImpl exch;
  MapiFactoryImpl mapi;
  for (Plugins::IFactory* f :
       {static_cast<Plugins::IFactory*>(&exch), static_cast<Plugins::IFactory*>(&mapi)}) {
    Plugins::IBackup* b = f->createBackup();
    EXPECT_EQ(std::vector<bool>({b->reserved5(1, 2), b->reserved9(), b->reserved10(), b->reserved20(1, 2, 3),
                                 b->reserved21()}),
              std::vector<bool>({false, true, false, false, false}));
    EXPECT_EQ(std::vector<int>({b->reserved26(), b->reserved28(1, 2, 3), b->reserved29(), b->reserved30(),
                                b->reserved32(), b->reserved33(1), b->reserved34(1)}),
              std::vector<int>(7, 1));
    Plugins::IRestore2* r = f->createRestore();
    EXPECT_EQ(std::vector<bool>({r->reserved3(1, 2), r->reserved5(), r->reserved7(1, 2),
                                 r->reserved8(1, 2, 3), r->reserved9(), r->reserved10(), r->reserved11()}),
              std::vector<bool>({false, true, true, true, true, true, true}));
    EXPECT_EQ(
        std::vector<int>({r->reserved16(), r->reserved17(1, 2, 3), r->reserved23(1, 2, 3), r->reserved24(1)}),
        std::vector<int>(4, 1));
    Plugins::ISelectionList* s = f->createSelectionList();
    EXPECT_FALSE(s->reserved4(1, 2));
    f->releaseBackup(b);
    f->releaseRestore2(r);
    f->releaseSelectionList(s);
  }
  // The mailbox backup object answers its named slots without a module.
  Plugins::IBackup* b = mapi.createBackup();
  void* cell = &b;
  EXPECT_TRUE(b->findNextObject(true, 1, 2, 3, &cell));
  EXPECT_EQ(cell, static_cast<void*>(&b));
  EXPECT_TRUE(b->openSubstream(1, 2));
  EXPECT_TRUE(b->hasDiskError());
  EXPECT_EQ(b->queryModule(1, nullptr, nullptr), 1);
  mapi.releaseBackup(b);
}

TEST(AdapterFamilies, RestoreObjectsKeepTheirThreeValuesInTheirOwnOrder) {
  ExchFactoryImpl exch;
  MapiFactoryImpl mapi;
  for (Plugins::IFactory* f :
       {static_cast<Plugins::IFactory*>(&exch), static_cast<Plugins::IFactory*>(&mapi)}) {
    Plugins::IRestore2* r = f->createRestore();
    auto* values = dynamic_cast<lumenrt::RestoreAdapter*>(r);
    ASSERT_NE(values, nullptr);
    auto triple = [values] {
      return std::vector<Plugins::Word>{values->value1(), values->value2(), values->value3()};
    };
    EXPECT_EQ(triple(), (std::vector<Plugins::Word>{0, 0, 0}));
    r->setValues(10, 20, 30);  // the first argument is value 2, the second value 1
    EXPECT_EQ(triple(), (std::vector<Plugins::Word>{20, 10, 30}));
    r->setValue1(1);
    r->setValue3(3);
    EXPECT_EQ(triple(), (std::vector<Plugins::Word>{1, 10, 3}));
    r->clearValues();
    EXPECT_EQ(triple(), (std::vector<Plugins::Word>{0, 0, 0}));
    f->releaseRestore2(r);
  }
}

TEST(AdapterFamilies, MailboxNamingConstants) {
  EXPECT_STREQ(lumenrt::kMapiRootName, "$EXCHMAPI$:\\");
  EXPECT_STREQ(lumenrt::kMapiNumericTexts[0], lumenrt::kMapiNumericTexts[4]);
  EXPECT_STREQ(lumenrt::kMapiAttachmentBodyTag, "abody");
}

}  // namespace
