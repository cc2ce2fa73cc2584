// The sand clock: applied at once. It launches one particle per grade from a configured screen point
// along a curved path to the tip of the time bar, 20 frames apart; while they fly the time bar stands
// still, and when the last one has arrived the grade's time is added to it in one amount.
#pragma once

#include "field/bonus/field_bonus.h"

#include "engine/render/engine_curve.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

class CPyro2;

class CSandClockBonus : public CWaveBonusImpl {
public:
    struct Flight {
        BonusDelay delay;
        bool done = false;
        int emitter_id = 0;
        CPath path;
        int step = 0;   // index of the path point the particle is at
    };
    // Frames between two launches.
    static constexpr uint32_t kLaunchInterval = 20;
    // The flight's path step (times 100) used when the file gives none that works: about 60 frames
    // a flight. Smaller steps than the minimum would keep the time bar still for minutes.
    static constexpr float kDefaultSpeed = 5.0f;
    static constexpr float kMinSpeed = 0.1f;

    CSandClockBonus();
    ~CSandClockBonus() override;

    void Draw() override;
    bool Load(const CXMLNode& node) override;

    const std::vector<Flight>& GetFlights() const { return _flights; }
    const std::map<int, int>& GetAddTimes() const { return _add_times; }
    int GetAddTime() const { return _add_time; }
    const std::string& GetParticleAlias() const { return _pyro_alias; }
    float GetStartX() const { return _start_x; }
    float GetStartY() const { return _start_y; }
    float GetSpeed() const { return _speed; }
    const std::shared_ptr<CPyro2>& GetPyro() const { return _pyro; }

protected:
    bool Prepare() override;
    bool Step() override;
    void Finish() override;

private:
    std::vector<Flight> _flights;
    std::shared_ptr<CPyro2> _pyro;
    int _add_time = 0;
    std::map<int, int> _add_times;   // add_time by grade
    std::string _pyro_alias;
    float _start_x = 0.0f;
    float _start_y = 0.0f;
    float _speed = kDefaultSpeed;
    bool _freezing = false;   // this clock holds the time bar still
};
