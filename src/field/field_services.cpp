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
