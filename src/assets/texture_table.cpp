#include "assets/textures.h"

GLuint TextureTable[textureTableSize];
int maxTextureSize = 0;
long long texturePixels[256];

// In load order. "gfx//02.jpg" is loaded twice, as two separate textures.
const TextureLoad textureLoads[31] = {
    {SlotTex1, "gfx//tex1.jpg"},         {SlotTex2, "gfx//tex2.jpg"},
    {SlotTex3, "gfx//tex3.jpg"},         {SlotTex4, "gfx//tex4.jpg"},
    {SlotTex5, "gfx//tex5.jpg"},         {SlotTex6, "gfx//tex6.jpg"},
    {SlotPic01, "gfx//01.jpg"},          {SlotPic02, "gfx//02.jpg"},
    {SlotPic02b, "gfx//02.jpg"},         {SlotPic03, "gfx//03.jpg"},
    {SlotPic04, "gfx//04.jpg"},          {SlotPic05, "gfx//05.jpg"},
    {SlotPic06, "gfx//06.jpg"},          {SlotPic07, "gfx//07.jpg"},
    {SlotPic08, "gfx//08.jpg"},          {SlotPic09, "gfx//09.jpg"},
    {SlotText1, "gfx//text1.jpg"},       {SlotText2, "gfx//text2.jpg"},
    {SlotCreds1, "gfx//creds1.jpg"},     {SlotNoice1, "data//noice1.jpg"},
    {SlotAkanpaa1, "data//akanpaa1.jpg"}, {SlotAkanpaa2, "data//akanpaa2.jpg"},
    {SlotEnvi, "data//envi.jpg"},        {SlotHomo, "data//homo.jpg"},
    {SlotRatass, "data//ratass.jpg"},    {SlotNoice2, "data//noice2.jpg"},
    {SlotAddnoice, "data//addnoice.jpg"}, {SlotDNy, "data//d-ny.jpg"},
    {SlotDFlect, "data//d-flect.jpg"},   {SlotDStroy, "data//d-stroy.jpg"},
    {SlotShit, "data//shit.jpg"},
};
