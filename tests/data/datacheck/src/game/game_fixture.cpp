// A source file for the data check's own test: every call below names something in data/ or not.
void Fixture()
{
    keeper.PlaySample("click");
    keeper.PlaySample("nope");
    queue.QueueSound("");
    // keeper.PlaySample("commented");
    /* GetLabel("in_a_block_comment"); */
    text.GetLabel("hello");
    text.GetLabel("absent");
    mouse.SelectCursor("default");
    mouse.SelectCursor("arrow");
    pyro.AddEmitter("Sparks", 1.0f, 2.0f);
    Load("Textures\\Common\\Square.tga");
    Load("Textures\\Common\\Gone.png");
    Open("Settings\\Episodes.xml");
}
