# montage.py OUT.png TILE_W TILE_H COLUMNS: lays the f<seconds>.png frames of the current folder
# out in time order, each scaled to one tile (standard library only: zlib and struct).
import zlib,struct,glob,sys
def readpng(p):
    d=open(p,'rb').read(); pos=8; idat=b''
    while pos<len(d):
        l,=struct.unpack('>I',d[pos:pos+4]); t=d[pos+4:pos+8]; c=d[pos+8:pos+8+l]; pos+=12+l
        if t==b'IHDR': w,h,bd,ct=struct.unpack('>IIBB',c[:10])
        elif t==b'IDAT': idat+=c
    raw=zlib.decompress(idat); bpp=4 if ct==6 else 3; stride=w*bpp; out=bytearray(); prev=bytearray(stride); i=0
    for y in range(h):
        f=raw[i]; i+=1; line=bytearray(raw[i:i+stride]); i+=stride
        if f==1:
            for x in range(bpp,stride): line[x]=(line[x]+line[x-bpp])&255
        elif f==2:
            for x in range(stride): line[x]=(line[x]+prev[x])&255
        elif f==3:
            for x in range(stride): line[x]=(line[x]+(((line[x-bpp] if x>=bpp else 0)+prev[x])>>1))&255
        elif f==4:
            for x in range(stride):
                a=line[x-bpp] if x>=bpp else 0; b=prev[x]; c=prev[x-bpp] if x>=bpp else 0
                p_=a+b-c; pa=abs(p_-a); pb=abs(p_-b); pc=abs(p_-c)
                line[x]=(line[x]+(a if pa<=pb and pa<=pc else (b if pb<=pc else c)))&255
        out+=line; prev=line
    return w,h,bpp,out
def writepng(p,w,h,rgb):
    raw=b''.join(b'\0'+bytes(rgb[y*w*3:(y+1)*w*3]) for y in range(h))
    def ch(t,c): return struct.pack('>I',len(c))+t+c+struct.pack('>I',zlib.crc32(t+c)&0xffffffff)
    open(p,'wb').write(b'\x89PNG\r\n\x1a\n'+ch(b'IHDR',struct.pack('>IIBBBBB',w,h,8,2,0,0,0))+ch(b'IDAT',zlib.compress(raw,9))+ch(b'IEND',b''))
files=sorted(glob.glob('f*.png'),key=lambda s:float(s[1:-4]))
tw,th=int(sys.argv[2]),int(sys.argv[3]); cols=int(sys.argv[4]); rows=(len(files)+cols-1)//cols
W=tw*cols; H=th*rows; img=bytearray(W*H*3)
for k,f in enumerate(files):
    w,h,bpp,px=readpng(f); ox=(k%cols)*tw; oy=(k//cols)*th
    for y in range(th):
        sy=y*h//th
        for x in range(tw):
            sx=x*w//tw; o=(sy*w+sx)*bpp; t=((oy+y)*W+ox+x)*3; img[t:t+3]=px[o:o+3]
writepng(sys.argv[1],W,H,img); print(files)
