// The balls layer's refill: the moving chain that slides the balls behind a resolved chain into its
// emptied cells, the per-update settling of appearing and dead balls, the choice of new balls, and
// the bonus level's turning of complete bonus types.
#include "field/balls/field_balls.h"

#include "field/config/field_config.h"
#include "field/field_services.h"

#include "engine/base/engine_helpers.h"
#include "engine/base/engine_log.h"
#include "engine/base/engine_registry.h"

#include <algorithm>
#include <cmath>

namespace {

bool IsDying(int graph_state) { return graph_state == gosDead || graph_state == gosExplosion; }

// A level of lock or box from one draw of 1..100 against the double and ordinary percentages.
int CoverLevel(int double_percent, int ordinary_percent)
{
    const int r = RandomInt(1, 100);
    if (r <= double_percent) return 2;
    if (r <= ordinary_percent + double_percent) return 1;
    return 0;
}

} // namespace

void CBallsField::StartMovingChain(const std::vector<MovingChainEntry>& entries)
{
    VERIFY(!HasMovingChain());
    _moving_chain = entries;
    _wait_for_removal = true;
    for (const MovingChainEntry& e : _moving_chain) {
        if (e.cell_index < 0 || size_t(e.cell_index) >= _field.size()) continue;
        FieldCell& c = _field[size_t(e.cell_index)];
        if (!c.ball && c.state != csInactive && c.usable) c.state = csWaitSlide;
    }
}

void CBallsField::UpdateMovingChain()
{
    if (_moving_chain.empty()) return;
    if (_wait_for_removal) {
        for (const MovingChainEntry& e : _moving_chain) {
            const FieldCell* c = Cell(e.cell_index);
            if (c && c->ball && IsDying(c->ball->graph_state)) return;
        }
        _wait_for_removal = false;
    }

    bool any_moving = false;
    int k = int(_moving_chain.size()) - 1;
    while (k >= 0 && !HasMovingBall(_moving_chain[size_t(k)].cell_index)) --k;

    FieldCell* next = nullptr;
    bool next_moving = false;
    for (int i = k; i >= 0; --i) {
        const MovingChainEntry& e = _moving_chain[size_t(i)];
        if (!Cell(e.cell_index)) {
            next = nullptr;
            next_moving = false;
            continue;
        }
        FieldCell& c = _field[size_t(e.cell_index)];
        if (c.ball && !e.is_locked) {
            const bool moving = HasMovingBall(c.index);
            if (moving && !next_moving)
                SetBallState(c.index, gosDefault);
            else if (!moving && next_moving)
                SetBallState(c.index, gosMove);
            if (HasMovingBall(c.index) && next) {
                any_moving = true;
                CBall& ball = *c.ball;
                const float dx = next->x - ball.x, dy = next->y - ball.y;
                float distance = std::sqrt(dx * dx + dy * dy);
                if (distance > _move_speed) {
                    ball.SetPos(ball.x + dx / distance * _move_speed, ball.y + dy / distance * _move_speed);
                    distance -= _move_speed;
                }
                if (distance <= _move_speed) {
                    VERIFY_SOFT(!HasBall(next->index));
                    if (!next->ball) {
                        std::swap(c.ball, next->ball);
                        next->ball->SetPos(next->x, next->y);
                        next->UpdateState();
                        c.state = csWaitSlide;
                    }
                }
            }
        } else if (HasMovingBall(c.index)) {
            any_moving = true;
        }
        next = &c;
        next_moving = HasMovingBall(c.index);
    }

    bool source = true;
    for (const MovingChainEntry& e : _moving_chain) {
        if (e.is_locked) {
            source = true;
            continue;
        }
        if (!source) continue;
        source = false;
        FieldCell* c = Cell(e.cell_index) ? &_field[size_t(e.cell_index)] : nullptr;
        if (!c || c->state != csWaitSlide) continue;
        VERIFY_SOFT(!HasBall(e.cell_index));
        if (!c->ball) c->state = csEmpty;
    }

    if (any_moving) return;
    for (const MovingChainEntry& e : _moving_chain) VERIFY_SOFT(!HasMovingBall(e.cell_index));
    _moving_chain.clear();
}

void CBallsField::Update()
{
    UpdateMovingChain();
    for (FieldCell& c : _field) {
        if (!c.ball || c.ball->_graph_obj->HasEffect()) continue;
        if (c.ball->graph_state == gosCreate) {
            SetBallState(c.index, gosDefault);
        } else if (c.ball->graph_state == gosDead) {
            c.ball.reset();
            if (c.state != csInactive) c.state = InMovingChain(c.index) ? csWaitSlide : csEmpty;
        }
    }
}

void CBallsField::ListWaitingCells(std::vector<int>& out) const
{
    out.clear();
    for (const FieldCell& c : _field)
        if (c.state == csEmpty && c.usable) out.push_back(c.index);
}

BallTypeEntryPtr CBallsField::PickBallType(const std::vector<BallTypeEntryPtr>& candidates, int bonuses_count,
                                           int bonus_probability) const
{
    VERIFY(size_t(std::max(0, bonuses_count)) <= candidates.size());
    if (candidates.empty()) return nullptr;
    const int count = int(candidates.size());
    const int start = RandomInt(0, count - 1);
    if (bonus_probability == 0 || bonuses_count == 0 || bonuses_count == count) return candidates[size_t(start)];
    const bool want_bonus = RandomInt(1, 100) <= bonus_probability;
    for (int n = 0; n < count; ++n) {
        const BallTypeEntryPtr& e = candidates[size_t((start + n) % count)];
        if (e->is_bonus == want_bonus) return e;
    }
    return nullptr;
}

void CBallsField::ChooseNewBall(const std::vector<int>& cells, int forced_allowed, int lock_box_allowed, int mode,
                                int excluded_type)
{
    const bool multiballs = mode == nbMultiball || mode == nbMultiballCreate;
    std::vector<BallTypeEntryPtr> candidates;
    int bonuses_count = 0;
    for (const BallTypeEntryPtr& ball_type : _avail_ball_types) {
        VERIFY(GetGraphBase(gbBalls).HasType(ball_type->graph_type));
        if (ball_type->is_finisher) continue;
        if (excluded_type != 0 && ball_type->graph_type == excluded_type) continue;
        if (ball_type->is_multiball != multiballs) continue;
        candidates.push_back(ball_type);
        if (ball_type->is_bonus) ++bonuses_count;
    }
    if (candidates.empty()) {
        // A level without a type for the mode (a multiball due on a level without multiballs)
        // places nothing rather than ending the level.
        VERIFY_SOFT(!(candidates.empty()));
        return;
    }

    const int bonus_probability = g_LevelCfg.GetInt("bonus_probability");
    const int forced_probability = g_LevelCfg.GetInt("forced_match_probability");
    const int locked = g_LevelCfg.GetInt("ordinary_locked_probability");
    const int double_locked = g_LevelCfg.GetInt("double_locked_probability");
    const int boxed = g_LevelCfg.GetInt("ordinary_boxed_probability");
    const int double_boxed = g_LevelCfg.GetInt("double_boxed_probability");
    VERIFY_SOFT(locked + double_locked < 100);
    VERIFY_SOFT(boxed + double_boxed < 100);
    const int state = mode == nbPlainCreate || mode == nbMultiballCreate ? gosCreate : -1;

    static const int kDirections[] = {nbUp, nbRight, nbDown, nbLeft};
    std::vector<BallTypeEntryPtr> collected;
    for (int cell : cells) {
        if (!HasFreePlace(cell)) continue;
        BallTypeEntryPtr ball_type;
        if (forced_allowed == 1 && RandomInt(1, 100) <= forced_probability) {
            collected.clear();
            for (int direction : kDirections) {
                const FieldCell* n = Cell(g_LevelCfg.Neighbour(cell, direction));
                if (!n || !n->ball) continue;
                const BallTypeEntryPtr& t = n->ball->ball_type;
                if (t->is_finisher || t->is_multiball) continue;
                if (excluded_type != 0 && t->graph_type == excluded_type) continue;
                collected.push_back(t);
            }
            if (RandomInt(1, 100) <= 25 * int(collected.size())) ball_type = PickBallType(collected, 0, 0);
        }
        if (!ball_type) ball_type = PickBallType(candidates, bonuses_count, bonus_probability);
        if (!ball_type) {
            VERIFY_SOFT(ball_type != NULL);
            continue;
        }
        const int lock = lock_box_allowed == 1 ? CoverLevel(double_locked, locked) : 0;
        const int box = lock_box_allowed == 1 ? CoverLevel(double_boxed, boxed) : 0;
        PutBall(cell, ball_type, lock, box, gosDefault, state);
    }
}

bool CBallsField::AllBonusesComplete() const
{
    return std::none_of(_avail_ball_types.begin(), _avail_ball_types.end(), [](const BallTypeEntryPtr& e) {
        return e->is_bonus && FieldCreditGrade(e->credit_type) < 4;
    });
}

bool CBallsField::ReplaceCompleteBonuses()
{
    std::vector<int> level_credits;
    std::vector<BallTypeEntryPtr> complete;
    for (const BallTypeEntryPtr& e : _avail_ball_types) {
        if (!e->is_bonus) continue;
        level_credits.push_back(e->credit_type);
        if (FieldCreditGrade(e->credit_type) >= 4) complete.push_back(e);
    }
    if (complete.empty()) return false;

    std::vector<int> upgradable;
    if (IFieldUser* user = GetFieldUser()) user->ListUpgradableBonuses(upgradable);
    std::erase_if(upgradable, [&level_credits](int credit) {
        return std::find(level_credits.begin(), level_credits.end(), credit) != level_credits.end();
    });
    std::vector<const BallType*> creditless;
    GetBallsDepot().ListCreditless(creditless);

    for (const BallTypeEntryPtr& e : complete) {
        int taken = 0;
        if (!upgradable.empty()) {
            const size_t i = size_t(RandomInt(0, int(upgradable.size()) - 1));
            taken = GetBallsDepot().FindByCreditType(upgradable[i]);
            upgradable.erase(upgradable.begin() + std::ptrdiff_t(i));
        } else if (!creditless.empty()) {
            const size_t i = size_t(RandomInt(0, int(creditless.size()) - 1));
            taken = creditless[i]->graph_type;
        } else {
            break;
        }
        if (taken != 0) AddImageChange(e->graph_type, taken);
    }
    return true;
}
