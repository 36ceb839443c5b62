// NoVersion.exe: an executable without a version resource; it exits at once.
int main()
{
    return 0;
}
