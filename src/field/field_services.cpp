#include "field/field_services.h"

namespace {
IFieldUser* g_FieldUser = nullptr;
IFieldScene* g_FieldScene = nullptr;
} // namespace

void SetFieldUser(IFieldUser* user) { g_FieldUser = user; }
IFieldUser* GetFieldUser() { return g_FieldUser; }
void SetFieldScene(IFieldScene* scene) { g_FieldScene = scene; }
IFieldScene* GetFieldScene() { return g_FieldScene; }

int FieldCreditGrade(int credit_type)
{
    return g_FieldUser ? g_FieldUser->GetCreditGrade(credit_type) : 0;
}

void FieldExplosion(const std::string& alias, float x, float y)
{
    if (!alias.empty() && g_FieldScene) g_FieldScene->StartExplosion(alias, x, y);
}

int FieldSceneState() { return g_FieldScene ? g_FieldScene->GetState() : IFieldScene::kPlaying; }
int FieldCrossState() { return g_FieldScene ? g_FieldScene->GetCrossState() : 0; }

namespace {
IFieldRewards* g_FieldRewards = nullptr;
} // namespace

void SetFieldRewards(IFieldRewards* rewards) { g_FieldRewards = rewards; }
IFieldRewards* GetFieldRewards() { return g_FieldRewards; }
